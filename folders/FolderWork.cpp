#include "folders/FolderWork.h"

#include "folders/GenerationKey.h"
#include "format/Detect.h"
#include "pack/FrameFolderPack.h"
#include "pack/PackerGeneration.h"
#include "pack/ReplacedArchive.h"
#include "png/Png.h"
#include "sheet/SheetPack.h"
#include "unpack/FrameFolderExport.h"
#include "unpack/UnpackerGeneration.h"

namespace icnkit {

namespace {

template <class TBytes>
size_t UnpackInto(TFileSystem& fs, TBytes& bytes, TIcnGeneration generation,
                  const std::string& archivePath, const std::string& folder,
                  const TFrameOutput& output) {
  TFrameOutput keyed = output;
  keyed.GenerationKey = true;
  ExportFrameFolder(fs, UnpackerGeneration(generation), archivePath, bytes, folder, keyed);
  return FrameCount(bytes);  // the header is never given back
}

}  // namespace

size_t UnpackArchiveFolder(TFileSystem& fs, std::vector<uint8_t>& bytes, TIcnGeneration generation,
                           const std::string& archivePath, const std::string& folder,
                           const TFrameOutput& output) {
  return UnpackInto(fs, bytes, generation, archivePath, folder, output);
}

size_t UnpackArchiveFolder(TFileSystem& fs, TArchiveImage bytes, TIcnGeneration generation,
                           const std::string& archivePath, const std::string& folder,
                           const TFrameOutput& output) {
  return UnpackInto(fs, bytes, generation, archivePath, folder, output);
}

size_t PackArchiveFolder(TFileSystem& fs, const TPackPaths& paths,
                         std::optional<TIcnGeneration> generation, TPackPalettes& palettes,
                         bool remap, const TWarningSink& warn, const std::string& advice,
                         const TGenerationAdvice& replacedAdvice, std::string& file) {
  if (!generation) {
    file = paths.Folder + "setup.ini";
    generation = ReadGenerationKey(fs, paths.Folder);
  }
  if (!generation) {
    file.clear();
    const std::string folder = paths.Folder.empty() ? "the frame folder" : paths.Folder;
    throw UndecidedGeneration(folder, advice);
  }
  file.clear();  // the message names the archive itself
  CheckReplacedGeneration(fs, paths.Archive, *generation, replacedAdvice);
  file = paths.Folder;
  const size_t frames = CheckFrameNames(fs, paths.Folder);
  const TFrameInput input = MakeFrameInput(palettes, *generation, remap, warn);
  std::string frameFile;
  try {
    PackFrameFolder(fs, PackerGeneration(*generation), paths.Archive, paths.Folder, frameFile,
                    input);
  } catch (...) {
    file = frameFile.empty() ? paths.Archive : frameFile;
    throw;
  }
  return frames;
}

std::vector<uint8_t> PackSheetImage(const TSheetDescription& sheet, std::span<const uint8_t> png,
                                    const std::string& imageName, TPackPalettes& palettes,
                                    bool remap, const TWarningSink& warn) {
  TIndexedImage image;
  TPngFrameReport report;
  DecodePngFrame(png, palettes.For(sheet.Generation), remap, imageName, image, report);
  if (warn) {
    for (const std::string& warning : report.Warnings) warn(warning);
  }
  return PackSheet(sheet, image, imageName);
}

}  // namespace icnkit
