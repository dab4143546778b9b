// TIndexedImage::SaveBmpFile: the BMP layout every paint program reads.
//
//   0  "BM"                      34  image size = stride x height
//   2  file size                 38  resolutions 0, 0
//   6  reserved 0, 0             46  colours used = n
//  10  pixel offset 54 + 4n      50  important colours 0
//  14  info size 40              54  n entries blue, green, red, 0
//  18  width, 22 height (> 0)        then the rows, bottom row first,
//  26  planes 1, 28 depth            each padded to 4 bytes
//  30  compression 0
//
// The file is built whole in memory and saved through SaveWholeFile, so a
// failed save never leaves a half-written bitmap where an old one was.
#include <cstring>
#include <vector>

#include "support/BmpLayout.h"
#include "support/IndexedImage.h"
#include "support/ZtSysUtils.h"

void TIndexedImage::SaveBmpFile(const std::string& path) const {
  if (!HasPixels()) {
    // No pixels, no bitmap: the file is left with 0 bytes.
    SaveWholeFile(path, {});
    return;
  }
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
  bmp::PutU32(p + bmp::kOffFileSize, static_cast<uint32_t>(fileSize));
  bmp::PutU32(p + bmp::kOffPixelOffset, static_cast<uint32_t>(pixelOffset));
  bmp::PutU32(p + bmp::kOffInfoSize, static_cast<uint32_t>(bmp::kInfoHeaderSize));
  bmp::PutI32(p + bmp::kOffWidth, Width_);
  bmp::PutI32(p + bmp::kOffHeight, Height_);
  bmp::PutU16(p + bmp::kOffPlanes, 1);
  bmp::PutU16(p + bmp::kOffBitsPerPixel, BitsPerPixel_);
  bmp::PutU32(p + bmp::kOffCompression, kBiRgb);
  bmp::PutU32(p + bmp::kOffImageSize, static_cast<uint32_t>(imageSize));
  bmp::PutU32(p + bmp::kOffColoursUsed, static_cast<uint32_t>(colours));
  uint8_t* entry = p + bmp::kHeadersSize;
  for (const TRgbQuad& colour : ColourTable_) {
    entry[0] = colour.Blue;
    entry[1] = colour.Green;
    entry[2] = colour.Red;
    entry[3] = 0;
    entry += 4;
  }
  std::memcpy(p + pixelOffset, Pixels_.Data(), static_cast<size_t>(imageSize));
  SaveWholeFile(path, file);
}
