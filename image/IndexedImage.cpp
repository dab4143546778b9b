// TIndexedImage: storage, reshaping, filling and row addressing. The BMP
// reader is in BmpReader.cpp, the writer in BmpWriter.cpp.
#include "image/IndexedImage.h"

#include <cstring>
#include <limits>
#include <new>

namespace icnkit {

// Storage of the given size, all bytes 0; "Bitmap too large" when memory
// runs out. The size has been checked against the BMP limits already.
TZtZeroedBuffer TIndexedImage::AllocatePixels(int64_t width, int64_t height, size_t bytes) {
  TZtZeroedBuffer pixels;
  if (width == 0 || height == 0) return pixels;
  try {
    pixels.Resize(bytes);
  } catch (const std::bad_alloc&) {
    bmp::ThrowTooLarge(width, height);
  }
  return pixels;
}

int32_t TIndexedImage::Stride() const {
  return static_cast<int32_t>(bmp::Stride(Width_, BitsPerPixel_));
}

void TIndexedImage::Reshape(int32_t width, int32_t height) {
  if (width < 0 || height < 0) bmp::ThrowNotValid();
  bmp::CheckStorage(width, height, 8, static_cast<int64_t>(ColourTable_.size()));
  Pixels_ = AllocatePixels(width, height, static_cast<size_t>(bmp::Stride(width, 8) * height));
  Width_ = width;
  Height_ = height;
  BitsPerPixel_ = 8;
  Compression_ = kBiRgb;
  DeviceDependent_ = false;
}

void TIndexedImage::Create8Bit(int32_t width, int32_t height, std::vector<TRgbQuad> colourTable) {
  if (colourTable.size() > 256) bmp::ThrowNotValid();
  ColourTable_ = std::move(colourTable);
  Reshape(width, height);
}

int TIndexedImage::NearestColourIndex(uint32_t colour) const {
  const int red = static_cast<int>(colour & 0xFF);
  const int green = static_cast<int>((colour >> 8) & 0xFF);
  const int blue = static_cast<int>((colour >> 16) & 0xFF);
  int best = 0;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (size_t i = 0; i < ColourTable_.size(); ++i) {
    const TRgbQuad& entry = ColourTable_[i];
    const int64_t dr = entry.Red - red;
    const int64_t dg = entry.Green - green;
    const int64_t db = entry.Blue - blue;
    const int64_t distance = dr * dr + dg * dg + db * db;
    // Strictly less: the lowest index wins ties, and an exact match (0) is
    // never beaten.
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
      if (distance == 0) break;
    }
  }
  return best;
}

void TIndexedImage::Fill(uint32_t colour) {
  if (!HasPixels()) return;
  if (!Is8Bit()) throw TZtError("Wrong bitmap format");
  const uint8_t index = static_cast<uint8_t>(NearestColourIndex(colour));
  const size_t stride = static_cast<size_t>(Stride());
  // Pixels only: the pad bytes at the end of each row keep their value.
  for (int32_t row = 0; row < Height_; ++row) {
    std::memset(Pixels_.Data() + static_cast<size_t>(row) * stride, index,
                static_cast<size_t>(Width_));
  }
}

const uint8_t* TIndexedImage::RowAddress(int32_t r) const {
  if (r < 0 || r >= Height_) throw TZtError("Scan line index out of range");
  const int64_t stride = Stride();
  // A device-dependent image has a size but no storage of its rows.
  if (static_cast<uint64_t>(stride) * static_cast<uint64_t>(Height_) > Pixels_.Size()) {
    throw TZtError("Scan line index out of range");
  }
  return Pixels_.Data() + (static_cast<int64_t>(Height_) - 1 - r) * stride;
}

uint8_t* TIndexedImage::RowAddress(int32_t r) {
  return const_cast<uint8_t*>(static_cast<const TIndexedImage*>(this)->RowAddress(r));
}

}  // namespace icnkit
