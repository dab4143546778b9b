#include "kit/SheetPack.h"

#include "folders/FolderWork.h"
#include "format/Text.h"
#include "fs/Files.h"
#include "fs/Path.h"

namespace icnkit {

void PackFromSheet(TKit& kit, const std::string& jsonPath, const std::string& output,
                   TPackPalettes& palettes, bool remap) {
  const std::vector<uint8_t> text = LoadNamedFile(kit.Fs, jsonPath);
  const TSheetDescription sheet = ReadSheetJson(
      std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), jsonPath);
  const std::string imagePath = DirectoryOfPath(jsonPath) + sheet.Image;
  const std::vector<uint8_t> png = LoadNamedFile(kit.Fs, imagePath);
  const std::vector<uint8_t> archive =
      PackSheetImage(sheet, png, imagePath, palettes, remap,
                     [&kit](const std::string& warning) { kit.Report.Warning(warning); });
  const std::string archivePath =
      output.empty() ? DirectoryOfPath(jsonPath) + sheet.Archive : output;
  SaveArchiveFile(kit.Fs, archivePath, archive);
  kit.Summary = "packed " + CountOf(sheet.Frames.size(), "frame") + " into " + archivePath;
}

}  // namespace icnkit
