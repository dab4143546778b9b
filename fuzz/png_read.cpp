// Fuzz target: the bytes as a PNG frame, decoded the way `icnkit pack`
// reads a frame or a sheet image: once keeping the indices, once mapping
// them by colour. What loads is an 8-bit image of the header's size that
// the writer gives back pixel for pixel; what does not load ends in
// TZtError and leaves the image as it was. Each input is tried as it is
// and with its chunks' checksums made right, so that mutations get past
// the checksum test into the decoding.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/Error.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/SeedPalette.h"
#include "image/BmpFile.h"
#include "image/IndexedImage.h"
#include "png/Png.h"

using namespace icnkit;

namespace {

uint32_t U32Be(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Up to 2^22 pixels are decoded; more only when they are beyond the
// image's bound, which refuses them before any allocation. In between the
// fuzzer would only measure memory.
constexpr uint64_t kMaxPixels = uint64_t{1} << 22;

struct TRead {
  bool Loaded = false;
  TIndexedImage Image;
  TPngFrameReport Report;
};

TRead Read(std::span<const uint8_t> png, const std::vector<TRgbQuad>& palette, bool remap) {
  TRead read;
  // A failed read leaves the image as it was: a 1 x 1 sentinel.
  read.Image.Create8Bit(1, 1, {});
  read.Image.RowAddress(0)[0] = 0xA5;
  try {
    DecodePngFrame(png, palette, remap, "f.png", read.Image, read.Report);
  } catch (const TZtError& error) {
    FUZZ_CHECK(std::string(error.what()).find("f.png") != std::string::npos ||
               std::string(error.what()).rfind("Bitmap too large: ", 0) == 0);
    FUZZ_CHECK(read.Image.Width() == 1 && read.Image.Height() == 1 &&
               read.Image.RowAddress(0)[0] == 0xA5);
    FUZZ_CHECK(read.Report.Warnings.empty());
    return read;
  }
  read.Loaded = true;
  return read;
}

bool SamePixels(const TIndexedImage& a, const TIndexedImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int32_t y = 0; y < a.Height(); ++y) {
    for (int32_t x = 0; x < a.Width(); ++x) {
      if (a.RowAddress(y)[x] != b.RowAddress(y)[x]) return false;
    }
  }
  return true;
}

bool SameColour(const TRgbQuad& a, const TRgbQuad& b) {
  return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
}

// The file with the checksum of every whole chunk made right: a mutated
// header or table then reaches the decoder instead of its checksum test.
std::vector<uint8_t> WithRightChecksums(const uint8_t* data, size_t size) {
  std::vector<uint8_t> png(data, data + size);
  for (size_t at = 8; at + 12 <= size;) {
    const uint64_t length = U32Be(data + at);
    if (length > size - at - 12) break;
    const auto crc = uint32_t(crc32(0, data + at + 4, uInt(length) + 4));  // zlib's, as PNG's
    uint8_t* out = png.data() + at + 8 + length;
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(crc >> (24 - 8 * i));
    at += 12 + size_t(length);
  }
  return png;
}

void Check(const uint8_t* data, size_t size) {
  // The header's size, when the bytes start like a PNG.
  if (size >= 24) {
    const uint64_t pixels = uint64_t{U32Be(data + 16)} * U32Be(data + 20);
    if (pixels > kMaxPixels && pixels <= uint64_t(bmp::MaxPixels())) return;
  }
  static const std::vector<TRgbQuad> palette = FuzzPngPalette();
  const std::span<const uint8_t> png(data, size);
  const TRead plain = Read(png, palette, false);
  const TRead mapped = Read(png, palette, true);
  // What cannot be read keeping the indices (a damaged file, an index past
  // the file's table, a colour not in the palette) cannot be mapped either.
  if (!plain.Loaded) {
    FUZZ_CHECK(!mapped.Loaded);
    return;
  }
  const TIndexedImage& image = plain.Image;
  if (size == 0) {  // the empty frame
    FUZZ_CHECK(mapped.Loaded && image.Width() == 0 && image.Height() == 0 && !image.HasPixels());
    return;
  }
  FUZZ_CHECK(image.Width() == int32_t(U32Be(data + 16)) &&
             image.Height() == int32_t(U32Be(data + 20)));
  FUZZ_CHECK(image.BitsPerPixel() == 8 && image.HasPixels());
  FUZZ_CHECK(image.ColourTable() == palette);
  FUZZ_CHECK(plain.Report.Warnings.size() <= 1);
  FUZZ_CHECK(mapped.Report.Warnings.empty());

  // The writer and the reader agree: the frame comes back as it was, with
  // and without a transparent index 0, kept or mapped.
  for (const bool transparentZero : {false, true}) {
    const std::vector<uint8_t> written = EncodeIndexedPng(image, transparentZero);
    for (const bool remap : {false, true}) {
      const TRead again = Read(written, palette, remap);
      FUZZ_CHECK(again.Loaded);
      FUZZ_CHECK(again.Report.Warnings.empty());
      FUZZ_CHECK(SamePixels(again.Image, image));
    }
  }

  // A palette file keeps its indices (colour type 3): mapped, each pixel
  // either keeps its index or takes one of exactly the colour the file's
  // own table gives it.
  const bool indexed = data[25] == 3;
  if (!indexed) {
    // Colour files are matched by colour in both modes alike.
    FUZZ_CHECK(mapped.Loaded && SamePixels(mapped.Image, image));
    FUZZ_CHECK(plain.Report.Warnings.empty());
    return;
  }
  if (!mapped.Loaded) return;  // a colour not in the palette
  const std::vector<TRgbQuad> own = ReadPngPalette(png, "f.png");
  for (int32_t y = 0; y < image.Height(); ++y) {
    for (int32_t x = 0; x < image.Width(); ++x) {
      const uint8_t kept = image.RowAddress(y)[x];
      const uint8_t byColour = mapped.Image.RowAddress(y)[x];
      FUZZ_CHECK(kept < own.size());
      FUZZ_CHECK(byColour == kept || SameColour(palette[byColour], own[kept]));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(data, size);
  const std::vector<uint8_t> mended = WithRightChecksums(data, size);
  if (!std::equal(mended.begin(), mended.end(), data)) Check(mended.data(), mended.size());
  return 0;
}
