// png: PNG frames over bytes (libspng), for the icnkit tool.
//
// Frames are written as 8-bit indexed PNGs whose PLTE is the frame's colour
// table, index 0 kept as index 0. Frames read back may be any palette PNG
// (1, 2, 4 or 8 bits) or an RGB/RGBA PNG whose every colour is in the
// palette; nothing is ever quantised silently.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/BmpHeader.h"
#include "image/IndexedImage.h"

namespace icnkit {

// The 8-bit image as an indexed PNG: bit depth 8, colour type 3, PLTE from
// its colour table; with transparentZero a tRNS chunk makes index 0 fully
// transparent. An image without pixels gives no bytes (the empty frame).
std::vector<uint8_t> EncodeIndexedPng(const TIndexedImage& image, bool transparentZero);

// What reading a PNG frame may tell the user without failing.
struct TPngFrameReport {
  std::vector<std::string> Warnings;
};

// Decodes the PNG frame png (shown as displayName in messages) into image:
// 8 bits per pixel with palette as its colour table.
// - Palette PNGs: the indices are kept. When the file's own PLTE gives a
//   used index another colour than palette does, a warning names the frame
//   and how many pixels change colour; with remap, each pixel is instead
//   mapped by its colour to the palette index of exactly that colour.
// - RGB/RGBA (and grey) PNGs: each pixel's colour must be in palette exactly
//   (alpha 0 is index 0); otherwise TZtError names the file, the first
//   pixel (x, y) and its colour.
// - No bytes at all: the empty frame EncodeIndexedPng writes for an image
//   without pixels, a 0 x 0 image (as the BMP loader reads a 0-byte file).
// Throws TZtError for a damaged or unsupported file, naming displayName.
void DecodePngFrame(std::span<const uint8_t> png, const std::vector<TRgbQuad>& palette, bool remap,
                    const std::string& displayName, TIndexedImage& image, TPngFrameReport& report);

// The PLTE chunk of the PNG png (shown as displayName in messages), 1 to
// 256 colours, Reserved 0. Throws TZtError for a damaged file or one
// without PLTE.
std::vector<TRgbQuad> ReadPngPalette(std::span<const uint8_t> png, const std::string& displayName);

}  // namespace icnkit
