// The trim box of a frame bitmap: the smallest rectangle that holds all of
// its non-transparent pixels (index 0 is transparent). The packers store only
// that rectangle, so a frame's size and position follow what was painted.
#pragma once

#include <cstdint>

class TIndexedImage;

// Right and Bottom are exclusive; rows count from the top. An image without
// pixels, or with only transparent ones, gives (0, 0, 0, 0).
struct TTrimBox {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  bool operator==(const TTrimBox&) const = default;
};

// Needs an 8-bit image. Each pixel is looked at at most once; where the box
// is already known to reach, the scan of a row stops early.
TTrimBox TrimBox(const TIndexedImage& image);
