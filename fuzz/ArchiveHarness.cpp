// The archive targets follow ExportFrameFolder step by step (validation,
// union rectangle, the fill-only decision and DrawFrame for every frame),
// without the files. On top of that each decoded frame is encoded again and
// decoded once more: what the packer makes of an unpacked frame must give the
// same pixels back (fill-only frames: every non-zero pixel as index 5).
#include "fuzz/ArchiveHarness.h"

#include <algorithm>
#include <string>
#include <vector>

#include "format/FrameRaster.h"
#include "format/H1Codec.h"
#include "format/H2Codec.h"
#include "fs/Path.h"
#include "fuzz/FuzzCheck.h"
#include "image/FrameDrawing.h"
#include "image/IndexedImage.h"
#include "testdata/ArchiveBuilder.h"
#include "unpack/FrameFolderExport.h"
#include "unpack/UnpackerGeneration.h"

using namespace icnkit;

namespace {

// The export allocates the whole union rectangle; the harness does so only
// up to this size, so that the fuzzer spends its time on the streams rather
// than on memory. Larger archives decode each frame into a raster of its own.
constexpr int64_t kMaxRasterPixels = int64_t{1} << 16;
// Pixels drawn, encoded and decoded per input, summed over all frames; past
// it the remaining frames only get their fill-only decision.
constexpr int64_t kPixelBudget = int64_t{1} << 20;

using TPixels = std::vector<uint8_t>;

bool IsContainerMessage(const std::string& message) {
  const std::string frame = "Invalid archive: frame ";
  const std::string outside = " starts outside the file";
  return message == "Invalid archive: file shorter than its header" ||
         message == "Invalid archive: frame table runs past the end of the file" ||
         (message.rfind(frame, 0) == 0 && message.size() > frame.size() + outside.size() &&
          message.compare(message.size() - outside.size(), outside.size(), outside) == 0);
}

// A colour table whose entry 0 is the unpackers' background colour and whose
// other entries are all different from it, like the palettes'.
std::vector<TRgbQuad> TestPalette() {
  std::vector<TRgbQuad> table(256);
  table[0] = TRgbQuad{0xFF, 0xFF, 0x00, 0};  // kFillColour as blue, green, red
  for (int i = 1; i < 256; ++i) table[size_t(i)] = TRgbQuad{uint8_t(i), 0, uint8_t(i), 0};
  return table;
}

// The H1 fill-only rule looks at the archive's name: the size picks one of
// the names with a rule of their own, so every rule gets its share.
std::string ArchiveName(TIcnGeneration generation, size_t size) {
  if (generation == TIcnGeneration::H2) return "fuzz.icn";
  static const char* const kNames[] = {"fuzz.icn", "fuzz.std", "FONT.ICN", "fuzz.obj"};
  return kNames[size % 4];
}

// Decodes stream into a fresh transparent width x height raster.
TPixels DecodeAlone(const TUnpackerGeneration& generation, std::span<const uint8_t> stream,
                    int32_t width, int32_t height, bool fillOnly) {
  TPixels pixels(size_t(width) * size_t(height), kTransparentIndex);
  const TFrameRaster raster{pixels.data(), width, width, height};
  generation.Format.Decode(stream, raster, fillOnly);
  return pixels;
}

// The packer's side of a decoded frame: encode, store in a one-frame archive,
// read back and decode again.
void CheckRoundTrip(const TUnpackerGeneration& generation, const TIcnFrame& record, bool fillOnly,
                    const TPixels& decoded) {
  const int32_t width = record.Width;
  const int32_t height = record.Height;
  const TPixels archive = testdata::BuildArchive(
      generation.Format.Generation,
      {testdata::EncodedFrame(generation.Format.Generation, record, decoded, fillOnly)});
  ValidateArchive(archive, generation.Format.Generation);
  const TIcnFrame stored = FrameRecordAt(archive, generation.Format.Generation, 0);
  FUZZ_CHECK(stored.Width == record.Width && stored.Height == record.Height);

  const TPixels again =
      DecodeAlone(generation, FrameStream(archive, stored), width, height, fillOnly);
  if (!fillOnly) {
    FUZZ_CHECK(again == decoded);
    // A stream the encoder wrote for a normal frame reads as normal.
    if (generation.Format.Generation == TIcnGeneration::H1 && height > 0) {
      FUZZ_CHECK(!DeduceH1FillOnly("fuzz.icn", archive, 0));
    }
    return;
  }
  for (size_t i = 0; i < decoded.size(); ++i) {
    FUZZ_CHECK(again[i] == (decoded[i] != kTransparentIndex ? kFillOnlyIndex : kTransparentIndex));
  }
  // Fill-only coding is a fixed point after one round.
  TPixels first(archive.begin() + ptrdiff_t(FrameDataAt(archive, stored)), archive.end());
  const TPixels second =
      testdata::EncodeFrame(generation.Format.Generation, again, width, height, true);
  FUZZ_CHECK(first == second);
}

// The frame's rectangle out of the canvas, top row first; every pixel
// outside it must still be the background.
TPixels CutFrame(TIndexedImage& canvas, int32_t column, int32_t row, const TIcnFrame& record) {
  const int32_t width = record.Width;
  const int32_t height = record.Height;
  TPixels pixels(size_t(width) * size_t(height));
  for (int32_t y = 0; y < canvas.Height(); ++y) {
    const uint8_t* line = canvas.RowAddress(y);
    const bool inside = y >= row && y < row + height;
    for (int32_t x = 0; x < canvas.Width(); ++x) {
      if (inside && x >= column && x < column + width) {
        pixels[size_t(y - row) * size_t(width) + size_t(x - column)] = line[x];
      } else {
        FUZZ_CHECK(line[x] == kTransparentIndex);
      }
    }
  }
  return pixels;
}

}  // namespace

void FuzzArchive(TIcnGeneration generation, const uint8_t* data, size_t size) {
  const TUnpackerGeneration& unpacker = UnpackerGeneration(generation);
  const TArchiveImage image(data, size);
  try {
    ValidateArchive(image, generation);
  } catch (const TZtError& error) {
    FUZZ_CHECK(IsContainerMessage(error.what()));
    return;
  }
  const size_t count = FrameCount(image);
  if (count == 0) return;
  const std::string archivePath = ArchiveName(generation, size);

  const TRectangle bounds = UnionRectangle(image, generation);
  const int64_t area = int64_t{bounds.Width} * bounds.Height;
  const bool onCanvas = area <= kMaxRasterPixels && area * int64_t(count) <= kPixelBudget;
  TIndexedImage canvas;
  canvas.Create8Bit(0, 0, TestPalette());
  if (onCanvas) canvas.Reshape(bounds.Width, bounds.Height);

  int64_t budget = kPixelBudget;
  for (size_t i = 0; i < count; ++i) {
    const TIcnFrame record = FrameRecordAt(image, generation, i);
    // The data region the fill-only rule relies on lies inside the image.
    const size_t start = FrameDataAt(image, record);
    const size_t end = FrameDataEnd(image, generation, i);
    FUZZ_CHECK(start < end && end <= size);
    FUZZ_CHECK(FrameStream(image, record).size() == size - start);

    const bool fillOnly = unpacker.Format.FillOnly(NameOfPath(archivePath), image, i, record);
    const int32_t bits = unpacker.Format.BitsValue(fillOnly, record);
    FUZZ_CHECK(generation == TIcnGeneration::H2 ? bits == record.Bits
                                                : bits == (fillOnly ? 32 : 0));

    const int64_t frameArea = int64_t{record.Width} * record.Height;
    if (frameArea == 0 || frameArea > kMaxRasterPixels || budget < frameArea) continue;
    budget -= frameArea;
    TPixels decoded;
    if (onCanvas) {
      const int32_t column = record.Left - bounds.Left;
      const int32_t row = record.Top - bounds.Top;
      FUZZ_CHECK(column >= 0 && row >= 0 && column + record.Width <= bounds.Width &&
                 row + record.Height <= bounds.Height);
      DrawFrame(unpacker.Format, canvas, image, record, fillOnly, column, row);
      decoded = CutFrame(canvas, column, row, record);
    } else {
      // Cut like DrawFrame cuts it.
      std::span<const uint8_t> stream = FrameStream(image, record);
      stream = stream.first(std::min<uint64_t>(stream.size(), MaxStreamLength(record)));
      decoded = DecodeAlone(unpacker, stream, record.Width, record.Height, fillOnly);
    }
    CheckRoundTrip(unpacker, record, fillOnly, decoded);
  }
}
