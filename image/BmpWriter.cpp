// TIndexedImage::BmpBytes: the BMP layout every paint program reads.
//
//   0  "BM"                      34  image size = stride x height
//   2  file size                 38  resolutions 0, 0
//   6  reserved 0, 0             46  colours used = n
//  10  pixel offset 54 + 4n      50  important colours 0
//  14  info size 40              54  n entries blue, green, red, 0
//  18  width, 22 height (> 0)        then the rows, bottom row first,
//  26  planes 1, 28 depth            each padded to 4 bytes
//  30  compression 0
#include <cstring>
#include <vector>

#include "image/BmpHeader.h"
#include "image/IndexedImage.h"

namespace icnkit {

std::vector<uint8_t> TIndexedImage::BmpBytes() const {
  // No pixels, no bitmap.
  if (!HasPixels()) return {};
  const int64_t colours = static_cast<int64_t>(ColourTable_.size());
  const int64_t pixelOffset = bmp::kHeadersSize + 4 * colours;
  const int64_t imageSize = static_cast<int64_t>(Pixels_.Size());
  // Reshape and LoadBmp keep every image within the 32-bit file size.
  const int64_t fileSize = pixelOffset + imageSize;
  if (colours > 256 || fileSize > bmp::kMaxFileSize) bmp::ThrowTooLarge(Width_, Height_);

  std::vector<uint8_t> file(static_cast<size_t>(fileSize), 0);
  uint8_t* p = file.data();
  p[0] = 'B';
  p[1] = 'M';
  PutU32(p + 2, static_cast<uint32_t>(fileSize));
  PutU32(p + 10, static_cast<uint32_t>(pixelOffset));
  PutU32(p + 14, static_cast<uint32_t>(bmp::kInfoHeaderSize));
  PutU32(p + 18, static_cast<uint32_t>(Width_));
  PutU32(p + 22, static_cast<uint32_t>(Height_));
  PutU16(p + 26, 1);
  PutU16(p + 28, BitsPerPixel_);
  PutU32(p + 30, kBiRgb);
  PutU32(p + 34, static_cast<uint32_t>(imageSize));
  PutU32(p + 46, static_cast<uint32_t>(colours));
  uint8_t* entry = p + bmp::kHeadersSize;
  for (const TRgbQuad& colour : ColourTable_) {
    entry[0] = colour.Blue;
    entry[1] = colour.Green;
    entry[2] = colour.Red;
    entry[3] = 0;
    entry += 4;
  }
  std::memcpy(p + pixelOffset, Pixels_.Data(), static_cast<size_t>(imageSize));
  return file;
}

}  // namespace icnkit
