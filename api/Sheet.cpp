// Sheets, GIFs and thumbnails of the API over sheet/ and png/.
#include "icnkit/sheet.h"

#include <algorithm>
#include <optional>

#include "api/Convert.h"
#include "api/LibraryFileSystem.h"
#include "conventions/PaletteColours.h"
#include "folders/FolderWork.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "icnkit/version.h"
#include "png/Png.h"
#include "sheet/Gif.h"
#include "sheet/SheetCompose.h"

namespace icnkit {

using icnkit_api::Guarded;
using icnkit_api::Internal;

namespace {

// An archive's name in sheets: the one it was opened with, if any.
std::string SheetArchiveName(const Archive& archive) {
  return archive.Name().empty() ? "archive.icn" : archive.Name();
}

TArchiveFrames FramesOf(const Archive& archive) {
  return ReadArchiveFrames(archive.Bytes(), Internal(archive.Generation()),
                           SheetArchiveName(archive));
}

std::vector<TRgbQuad> ColoursFor(const Archive& archive, const Palette& palette) {
  return palette.empty() ? PaletteColours(Internal(archive.Generation())) : Internal(palette);
}

}  // namespace

Sheet MakeSheet(const Archive& archive, const SheetOptions& options) {
  return Guarded([&] {
    TSheetOptions sheetOptions;
    sheetOptions.Layout.Arrangement =
        options.packed ? TSheetArrangement::Packed : TSheetArrangement::Grid;
    sheetOptions.Layout.Columns = options.columns;
    sheetOptions.Layout.Padding = options.padding;
    sheetOptions.Untrimmed = options.untrimmed;
    sheetOptions.Duration = options.duration_ms;
    sheetOptions.Image = options.image_name.empty()
                             ? ReplaceExtension(SheetArchiveName(archive), ".png")
                             : options.image_name;
    sheetOptions.Version = std::string("icnkit ") + ICNKIT_VERSION;
    const TSheet sheet =
        ComposeSheet(FramesOf(archive), ColoursFor(archive, options.palette), sheetOptions);
    return Sheet{EncodeIndexedPng(sheet.Image, /*transparentZero=*/true),
                 WriteSheetJson(sheet.Description)};
  });
}

std::vector<uint8_t> ArchiveFromSheet(std::span<const uint8_t> png, std::string_view json,
                                      const SheetPackOptions& options) {
  return Guarded([&] {
    const TSheetDescription sheet = ReadSheetJson(json, options.json_name);
    TPackPalettes palettes([&] { return Internal(options.palette); });
    return PackSheetImage(sheet, png, options.image_name.empty() ? sheet.Image : options.image_name,
                          palettes, options.remap, options.warning);
  });
}

std::string PackSheetFile(const std::string& json_path, const std::string& archive_path,
                          const SheetPackOptions& options) {
  return Guarded([&] {
    TFileSystem& fs = LibraryFileSystem();
    const std::vector<uint8_t> text = LoadNamedFile(fs, json_path);
    const TSheetDescription sheet = ReadSheetJson(
        std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), json_path);
    const std::string imagePath = DirectoryOfPath(json_path) + sheet.Image;
    const std::vector<uint8_t> png = LoadNamedFile(fs, imagePath);
    TPackPalettes palettes([&] { return Internal(options.palette); });
    const std::vector<uint8_t> archive =
        PackSheetImage(sheet, png, imagePath, palettes, options.remap, options.warning);
    std::string path =
        archive_path.empty() ? DirectoryOfPath(json_path) + sheet.Archive : archive_path;
    WithOutput(path, [&](TFileSystem& out) { SaveArchiveFile(out, path, archive); });
    if (options.progress) options.progress(sheet.Frames.size(), sheet.Frames.size());
    return path;
  });
}

std::vector<uint8_t> MakeGif(const Archive& archive, const GifOptions& options) {
  std::vector<uint8_t> bytes;
  WriteGif(archive, options, [&bytes](std::span<const uint8_t> piece) {
    bytes.insert(bytes.end(), piece.begin(), piece.end());
  });
  return bytes;
}

void WriteGif(const Archive& archive, const GifOptions& options, const ByteSink& sink,
              const ProgressHandler& progress) {
  Guarded([&] {
    TGifOptions gifOptions;
    gifOptions.DelayMs = options.delay_ms;
    gifOptions.Scale = options.scale;
    gifOptions.First = options.first;
    gifOptions.Last = options.last;
    const TArchiveFrames frames = FramesOf(archive);
    const TArchiveGif gif(frames, ColoursFor(archive, options.palette), gifOptions);
    TGifProgress told;
    if (progress) told = [&](size_t done) { progress(done, gif.ImageCount()); };
    gif.Write(sink, told);
  });
}

FrameRange ParseFrameRange(std::string_view text, size_t frame_count) {
  return Guarded([&] {
    TGifOptions range;
    const bool cut = icnkit::ParseFrameRange(std::string(text), frame_count, range);
    return FrameRange{range.First, range.Last, cut};
  });
}

Thumbnail MakeThumbnail(const Archive& archive, int32_t size) {
  if (size < 1 || size > 4096) {
    throw Error(ErrorKind::InvalidInput, "The size must lie within 1..4096");
  }
  Thumbnail thumbnail;
  const std::optional<size_t> frame = archive.PreviewFrame();
  if (!frame) return thumbnail;
  thumbnail.frame = *frame;
  const Raster pixels = archive.Decode(*frame);
  if (pixels.width == 0 || pixels.height == 0) return thumbnail;
  const int32_t side = std::max(pixels.width, pixels.height);
  const bool up = side <= size;
  const int32_t k = up ? size / side : (side + size - 1) / size;
  Raster& scaled = thumbnail.pixels;
  scaled = Raster(up ? pixels.width * k : (pixels.width + k - 1) / k,
                  up ? pixels.height * k : (pixels.height + k - 1) / k);
  for (int32_t y = 0; y < scaled.height; ++y) {
    for (int32_t x = 0; x < scaled.width; ++x) {
      scaled.At(x, y) = up ? pixels.At(x / k, y / k) : pixels.At(x * k, y * k);
    }
  }
  return thumbnail;
}

}  // namespace icnkit
