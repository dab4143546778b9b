// TFrameRaster: where a frame's pixels go in (or come from) a raster.
//
// TopLeft is the address of the frame's pixel (0, 0); pixel (x, y) lies at
// TopLeft + y * RowStep + x. RowStep is the address of image row 1 minus that
// of row 0: negative for bottom-up storage, 0 for a one-row image. Width and
// Height bound the frame's rectangle: the decoders clip every run to it, so
// a malformed stream can never write outside.
#pragma once

#include <cstddef>
#include <cstdint>

namespace icnkit {

struct TFrameRaster {
  uint8_t* TopLeft = nullptr;
  ptrdiff_t RowStep = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// Palette index 0 is transparent; fill-only literal runs decode to index 5.
constexpr uint8_t kTransparentIndex = 0;
constexpr uint8_t kFillOnlyIndex = 5;

}  // namespace icnkit
