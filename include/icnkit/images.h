// Frames as image files, in and out, over bytes: the unpackers' 8-bit BMP
// files and the 8-bit indexed PNG files of "icnkit unpack --format png".
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "icnkit/export.h"
#include "icnkit/palette.h"
#include "icnkit/raster.h"

namespace icnkit {

// The bitmap the unpackers write for pixels: 8 bits a pixel, bottom-up,
// uncompressed, colours' table. No pixels give no bytes (the empty frame).
// Throws Error (InvalidInput) for more than 256 colours and "Bitmap too
// large: W x H".
ICNKIT_API std::vector<uint8_t> EncodeBmp(ConstRasterView pixels, const Palette& colours);

// An image with the colours its file carries.
struct IndexedImage {
  Raster pixels;
  Palette colours;
};

// The indices and colour table of a BMP frame, as the packers read one:
// 8 bits a pixel, uncompressed or RLE8, either row order; no bytes at all
// are the empty frame (0 x 0). Throws Error (InvalidInput) "Wrong bitmap
// format" for another depth or compression, and the loader's messages
// ("Bitmap image is not valid", "Stream read error", "Bitmap too large").
ICNKIT_API IndexedImage DecodeBmp(std::span<const uint8_t> bytes);

// The PNG "icnkit unpack --format png" writes for pixels: 8-bit indexed,
// colours as its PLTE; with transparent_zero a tRNS entry makes index 0
// transparent. No pixels give no bytes.
ICNKIT_API std::vector<uint8_t> EncodePng(ConstRasterView pixels, const Palette& colours,
                                          bool transparent_zero = false);

// Where a call that goes on tells what the user should know ("PNG "x" has
// its own colour table: ...").
using WarningHandler = std::function<void(const std::string& message)>;

// The indices of a PNG frame, as "icnkit pack" reads one against palette:
// a palette PNG (1 to 8 bits) keeps its indices (with remap each pixel is
// mapped by its colour instead; a colour table that changes used colours
// is told to warning); an RGB, RGBA or grey PNG must use palette's colours
// exactly (alpha 0 is index 0); no bytes are the empty frame. name is the
// file's name in messages. Throws Error (InvalidInput) "PNG "<name>": pixel
// (X, Y) has colour #RRGGBB, which is not in the palette", "Cannot read PNG
// "<name>": ..." and "Bitmap too large: W x H".
ICNKIT_API Raster DecodePng(std::span<const uint8_t> png, const Palette& palette,
                            const std::string& name, bool remap = false,
                            const WarningHandler& warning = {});

}  // namespace icnkit
