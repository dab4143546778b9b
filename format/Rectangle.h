// TRectangle: the one rectangle of pixels: the union of an archive's frames
// (in the archive's coordinates), the trim box of a bitmap (in its own), a
// cell of a sprite sheet (in the sheet's). The exclusive edges Right and
// Bottom are computed in 64 bits, so no position plus size wraps.
#pragma once

#include <cstdint>

namespace icnkit {

struct TRectangle {
  int32_t Left = 0;  // may be negative
  int32_t Top = 0;
  // Never negative.
  int32_t Width = 0;
  int32_t Height = 0;

  int64_t Right() const { return int64_t{Left} + Width; }
  int64_t Bottom() const { return int64_t{Top} + Height; }
  // No pixels: a width or a height of 0.
  bool Empty() const { return Width <= 0 || Height <= 0; }
  // Whether other lies inside this rectangle, edges included.
  bool Contains(const TRectangle& other) const {
    return other.Left >= Left && other.Top >= Top && other.Right() <= Right() &&
           other.Bottom() <= Bottom();
  }
  bool operator==(const TRectangle&) const = default;
};

}  // namespace icnkit
