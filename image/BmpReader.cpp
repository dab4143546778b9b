// TIndexedImage::LoadBmp: the pixels of a BMP file, decoded straight into
// the image's bottom-up storage after ParseBmpHeader has checked the file.
#include <algorithm>
#include <cstring>

#include "image/BmpHeader.h"
#include "image/IndexedImage.h"

namespace icnkit {

namespace {

// RLE8 decoding into the output area [out, out + size). Every write is
// clipped to the area and every read to the data, whatever the codes say.
// Rows start at firstRow and follow each other rowStep bytes apart.
void DecodeRle8(const uint8_t* data, int64_t length, uint8_t* out, int64_t size, int64_t firstRow,
                int64_t rowStep) {
  int64_t in = 0;
  int64_t write = firstRow;
  int64_t rowStart = firstRow;
  while (length - in >= 2 && write >= 0 && write <= size) {
    const int64_t count = data[in];
    const int64_t value = data[in + 1];
    in += 2;
    if (count > 0) {
      std::memset(out + write, static_cast<int>(value),
                  static_cast<size_t>(std::min(count, size - write)));
      write += count;
    } else if (value == 0) {  // end of line
      rowStart += rowStep;
      write = rowStart;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta: dx right, dy rows on
      if (length - in < 2) break;
      const int64_t dx = data[in];
      const int64_t dy = data[in + 1];
      in += 2;
      rowStart += dy * rowStep;
      write += dy * rowStep + dx;
    } else {  // literal run of value bytes, padded to an even length
      const int64_t n = std::min({value, length - in, size - write});
      std::memcpy(out + write, data + in, static_cast<size_t>(n));
      in = std::min(length, in + ((value + 1) & ~int64_t{1}));
      write += value;
    }
  }
}

}  // namespace

void TIndexedImage::LoadBmp(std::span<const uint8_t> file) {
  const TBmpHeader header = ParseBmpHeader(file);
  TIndexedImage loaded;
  loaded.Width_ = header.Width;
  loaded.Height_ = header.Height;
  loaded.BitsPerPixel_ = header.BitsPerPixel;
  loaded.Compression_ = header.Compression;
  loaded.ColourTable_ = header.ColourTable;
  loaded.DeviceDependent_ =
      header.Pixels == TBmpPixels::None || header.Pixels == TBmpPixels::Device;
  const int64_t stride = header.Stride;
  const int64_t storage = stride * header.Height;
  if (loaded.DeviceDependent_ || storage == 0) {
    *this = std::move(loaded);
    return;
  }

  loaded.Pixels_ = AllocatePixels(header.Width, header.Height, static_cast<size_t>(storage));
  uint8_t* out = loaded.Pixels_.Data();
  const uint8_t* data = file.data() + header.PixelOffset;
  const int64_t length = header.PixelBytes;
  if (header.Pixels == TBmpPixels::Rle8) {
    // A top-down file starts at the top row, the end of the storage, and
    // steps backwards.
    if (header.TopDown) {
      DecodeRle8(data, length, out, storage, (header.Height - 1) * stride, -stride);
    } else {
      DecodeRle8(data, length, out, storage, 0, stride);
    }
  } else if (!header.TopDown) {
    // The file's rows in the storage's order; missing ones stay 0.
    if (length > 0) std::memcpy(out, data, static_cast<size_t>(length));
  } else if (stride > 0) {
    // The file's k-th row is the picture's row k; the storage keeps the
    // bottom row first. Rows of no bytes (there can be 2^31) are not visited.
    for (int64_t k = 0; k * stride < length; ++k) {
      std::memcpy(out + (header.Height - 1 - k) * stride, data + k * stride,
                  static_cast<size_t>(std::min(stride, length - k * stride)));
    }
  }
  *this = std::move(loaded);
}

}  // namespace icnkit
