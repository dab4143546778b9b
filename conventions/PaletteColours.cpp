#include "conventions/PaletteColours.h"

#include <cstdint>

namespace icnkit {

namespace {

TRgbQuad Rgb(int red, int green, int blue) {
  TRgbQuad quad;
  quad.Red = static_cast<uint8_t>(red);
  quad.Green = static_cast<uint8_t>(green);
  quad.Blue = static_cast<uint8_t>(blue);
  return quad;
}

}  // namespace

std::vector<TRgbQuad> PaletteColours(TIcnGeneration generation) {
  std::vector<TRgbQuad> colours;
  colours.reserve(256);
  colours.push_back(Rgb(0, 255, 255));  // background, read back as transparent
  // Off the cube's levels and the grey ramp, so no entry repeats another.
  const TRgbQuad named[15] = {
      Rgb(32, 32, 32),   Rgb(64, 64, 64),   Rgb(112, 112, 112), Rgb(176, 176, 176),
      Rgb(255, 32, 255), Rgb(160, 32, 160), Rgb(255, 160, 255), Rgb(224, 224, 224),
      Rgb(224, 0, 0),    Rgb(0, 176, 0),    Rgb(0, 0, 224),     Rgb(240, 240, 0),
      Rgb(255, 128, 0),  Rgb(128, 64, 0),   Rgb(0, 128, 128),
  };
  colours.insert(colours.end(), std::begin(named), std::end(named));
  for (int red = 0; red < 6; ++red) {
    for (int green = 0; green < 6; ++green) {
      for (int blue = 0; blue < 6; ++blue) {
        // The cube's own (0, 255, 255) would repeat the background.
        if (red == 0 && green == 5 && blue == 5) {
          colours.push_back(Rgb(0, 230, 230));
        } else {
          colours.push_back(Rgb(red * 51, green * 51, blue * 51));
        }
      }
    }
  }
  for (int i = 0; i < 24; ++i) {
    const int grey = 8 + 10 * i;  // 8..238, none on the cube's levels
    colours.push_back(Rgb(grey, grey, grey));
  }
  if (generation == TIcnGeneration::H2) {
    // Indices 246-255: a ramp from red through yellow and green to blue.
    static const TRgbQuad hues[10] = {
        Rgb(224, 32, 32), Rgb(224, 112, 32), Rgb(224, 192, 32), Rgb(176, 224, 32), Rgb(96, 224, 32),
        Rgb(32, 224, 80), Rgb(32, 224, 160), Rgb(32, 176, 224), Rgb(32, 96, 224),  Rgb(80, 32, 224),
    };
    for (int i = 0; i < 10; ++i) colours[246 + i] = hues[i];
  }
  return colours;
}

}  // namespace icnkit
