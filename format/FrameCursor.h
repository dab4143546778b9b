// TFrameCursor: the write side shared by the frame decoders.
//
// It keeps the current row and column and clips every run to the frame's
// rectangle: pixels beyond Width are not written (the column still
// advances), and an end-of-row code that would leave the last row ends the
// frame, since nothing after it could be written. Clipping is computed once
// per run, so the hot loop stays a memcpy or memset per run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "format/FrameRaster.h"

class TFrameCursor {
 public:
  explicit TFrameCursor(const TFrameRaster& raster)
      : Row_(raster.TopLeft),
        RowStep_(raster.RowStep),
        Width_(raster.Width),
        Height_(raster.Height) {}

  // True when no pixel of the frame can be written at all.
  bool Empty() const { return Row_ == nullptr || Width_ <= 0 || Height_ <= 0; }

  // End of row. False when the next row lies outside the frame.
  bool NextRow() {
    if (++Y_ >= Height_) return false;
    Row_ += RowStep_;
    X_ = 0;
    return true;
  }

  void Skip(uint32_t n) { X_ += n; }

  void Copy(const uint8_t* source, uint32_t n) {
    if (const size_t count = Clip(n)) std::memcpy(Row_ + X_, source, count);
    X_ += n;
  }

  void Fill(uint8_t value, uint32_t n) {
    if (const size_t count = Clip(n)) std::memset(Row_ + X_, value, count);
    X_ += n;
  }

 private:
  // How many of n pixels from the current column still lie inside the row.
  size_t Clip(uint32_t n) const {
    if (X_ >= Width_) return 0;
    const int64_t room = Width_ - X_;
    return static_cast<size_t>(n < room ? n : room);
  }

  uint8_t* Row_;
  ptrdiff_t RowStep_;
  int64_t Width_;
  int32_t Height_;
  int64_t X_ = 0;
  int32_t Y_ = 0;
};
