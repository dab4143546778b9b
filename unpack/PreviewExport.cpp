#include "unpack/PreviewExport.h"

#include <vector>

#include "conventions/WorkImage.h"
#include "format/Text.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "image/FrameDrawing.h"

namespace icnkit {

const uint8_t PreviewStartTable[2] = {0, 1};

bool IsStdArchive(const TUnpackerGeneration& generation, TArchiveImage image,
                  const std::string& archivePath) {
  return generation.StdPreviewStart && FrameCount(image) > 1 &&
         AsciiLower(ExtensionOfPath(archivePath)) == ".std";
}

std::optional<size_t> ChoosePreviewFrame(const TUnpackerGeneration& generation, TArchiveImage image,
                                         const std::string& archivePath) {
  const size_t count = FrameCount(image);
  const size_t start = PreviewStartTable[IsStdArchive(generation, image, archivePath) ? 1 : 0];
  if (start >= count) return std::nullopt;
  for (size_t i = start; i < count; ++i) {
    if (FrameRecordAt(image, generation.Format.Generation, i).Height > 1) return i;
  }
  return start;
}

void ExportPreview(TFileSystem& fs, const TUnpackerGeneration& generation,
                   const std::string& archivePath, const std::string& bitmapPath,
                   const TFrameOutput& output) {
  const std::vector<uint8_t> bytes = LoadNamedFile(fs, archivePath);
  ExportPreview(fs, generation, archivePath, bytes, bitmapPath, output);
}

void ExportPreview(TFileSystem& fs, const TUnpackerGeneration& generation,
                   const std::string& archivePath, TArchiveImage archive,
                   const std::string& bitmapPath, const TFrameOutput& output) {
  ValidateArchive(archive, generation.Format.Generation);

  const std::optional<size_t> chosen = ChoosePreviewFrame(generation, archive, archivePath);
  if (!chosen) return;  // nothing to show is not a failure

  const TIcnFrame record = FrameRecordAt(archive, generation.Format.Generation, *chosen);
  TIndexedImage& image = WorkImage(fs, generation.Format.Generation, output.Drawing);
  image.Reshape(record.Width, record.Height);
  const bool fillOnly =
      generation.Format.FillOnly(NameOfPath(archivePath), archive, *chosen, record);
  DrawFrame(generation.Format, image, archive, record, fillOnly, 0, 0);
  SaveFrame(fs, image, output, bitmapPath);
}

}  // namespace icnkit
