// The palette the png_read target decodes against, and which its seeds
// (fuzz/make_seeds.cpp) draw their colours from: red is the index, so every
// colour is distinct, but entry 255 repeats entry 7 (whose lowest index is
// 7); 253 and 254 are white and black, the only greys.
#pragma once

#include <cstdint>
#include <vector>

#include "image/BmpHeader.h"

using namespace icnkit;

inline std::vector<TRgbQuad> FuzzPngPalette() {
  std::vector<TRgbQuad> palette(256);
  for (unsigned i = 0; i < 256; ++i) {
    palette[i] = {static_cast<uint8_t>(i * 37 + 5), static_cast<uint8_t>(i * 101),
                  static_cast<uint8_t>(i), 0};
  }
  palette[253] = {255, 255, 255, 0};
  palette[254] = {0, 0, 0, 0};
  palette[255] = palette[7];
  return palette;
}
