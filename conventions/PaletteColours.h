// The colours of the unpackers' palette bitmaps.
//
// Entry 0 is the fill colour (red 0, green 255, blue 255), which nothing
// else repeats, so the background of a frame folder reads back as index 0.
// Entries 1-15 are named colours (greys, then 5, the fill-only colour, a
// loud magenta so shadows stand out, ...), 16-231 a 6x6x6 colour cube, 232-255 a
// grey ramp. The H2 palette gives its special-value indices 246-255 a hue
// ramp instead, so every index an H2 special run can name looks different.
// All 256 entries of each palette are distinct.
#pragma once

#include <vector>

#include "format/IcnArchive.h"
#include "image/IndexedImage.h"

namespace icnkit {

std::vector<TRgbQuad> PaletteColours(TIcnGeneration generation);

}  // namespace icnkit
