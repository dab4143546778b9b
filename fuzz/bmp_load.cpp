// Fuzz target: the bytes as a bitmap file, loaded the way the packers and
// the palette loading do, then classified and trimmed like a frame bitmap.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "image/BmpFile.h"
#include "image/IndexedImage.h"
#include "image/TrimBox.h"

using namespace icnkit;

namespace {

uint32_t U16(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t U32(const uint8_t* p) {
  return U16(p) | U16(p + 2) << 16;
}

struct TDeclared {
  int64_t Pixels = 0;
  int64_t Storage = 0;  // bytes
};

// Pixels and bytes of pixel storage the header asks for. A file may ask for
// up to 2^28 pixels (bmp::MaxPixels()) and hold almost nothing (an RLE8 file
// expands into all of it); the loader then allocates that much, which is
// right for a tool but would only make the fuzzer measure memory. Such
// inputs are skipped; more pixels are refused before any allocation and
// stay in.
TDeclared Declared(const uint8_t* data, size_t size) {
  if (size < 30) return {};
  int64_t width, height, depth;
  if (U32(data + 14) == 12) {
    width = U16(data + 18);
    height = U16(data + 20);
    depth = U16(data + 24);
  } else {
    width = int32_t(U32(data + 18));
    height = int32_t(U32(data + 22));
    depth = U16(data + 28);
  }
  if (width < 0) width = -width;
  if (height < 0) height = -height;
  const int64_t stride = ((width * depth + 31) / 32) * 4;
  if (stride != 0 && height > INT64_MAX / stride) return {width * height, INT64_MAX};
  return {width * height, stride * height};
}
constexpr int64_t kMaxStorage = int64_t{1} << 20;

bool IsLoaderMessage(const std::string& message) {
  return message == "Stream read error" || message == "Bitmap image is not valid" ||
         message.rfind("Bitmap too large: ", 0) == 0;
}

// The trim box the slow way: every pixel looked at.
TRectangle SlowTrimBox(const TIndexedImage& image) {
  int32_t left = image.Width(), top = image.Height(), right = -1, bottom = -1;
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* row = image.RowAddress(y);
    for (int32_t x = 0; x < image.Width(); ++x) {
      if (row[x] == 0) continue;
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x + 1);
      bottom = std::max(bottom, y + 1);
    }
  }
  if (right < 0) return {};
  return {left, top, right - left, bottom - top};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TDeclared declared = Declared(data, size);
  const bool overBound = declared.Pixels > bmp::MaxPixels();
  if (declared.Storage > kMaxStorage && !overBound) return 0;

  TIndexedImage image;
  try {
    image.LoadBmp(std::span<const uint8_t>(data, size));
    // More pixels than the bound never load (compressed data other than
    // RLE8 is not decoded: its image has a size and no rows).
    FUZZ_CHECK(!overBound || !image.HasPixels());
  } catch (const TZtError& error) {
    FUZZ_CHECK(IsLoaderMessage(error.what()));
    // A failed load leaves the image as it was.
    FUZZ_CHECK(image.Width() == 0 && image.Height() == 0 && !image.HasPixels());
    return 0;
  }
  FUZZ_CHECK(image.Width() >= 0 && image.Height() >= 0);
  FUZZ_CHECK(image.ColourTable().size() <= 256);
  if (!image.Is8Bit() || !image.HasPixels()) return 0;
  // Every row of an 8-bit image with pixels can be addressed.
  const TRectangle box = TrimBox(image);
  FUZZ_CHECK(box == SlowTrimBox(image));
  FUZZ_CHECK(box.Left >= 0 && box.Top >= 0 && box.Width >= 0 && box.Height >= 0 &&
             box.Right() <= image.Width() && box.Bottom() <= image.Height());
  return 0;
}
