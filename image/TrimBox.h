// The trim box of a frame bitmap: the smallest rectangle that holds all of
// its non-transparent pixels (index 0 is transparent). The packers store only
// that rectangle, so a frame's size and position follow what was painted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/Rectangle.h"

namespace icnkit {

class TIndexedImage;

// Rows count from the top. An image without pixels, or with only
// transparent ones, gives the empty rectangle (0, 0, 0, 0). Needs an 8-bit
// image. Each pixel is looked at at most once; where the box is already
// known to reach, the scan of a row stops early.
TRectangle TrimBox(const TIndexedImage& image);
// The same for the width x height raster at topLeft, rows rowStep apart,
// top row first.
TRectangle TrimBox(const uint8_t* topLeft, ptrdiff_t rowStep, int32_t width, int32_t height);

}  // namespace icnkit
