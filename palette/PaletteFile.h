// palette: 256-colour palettes in the file formats editors keep them in.
//
// Read: a BMP colour table, a PNG PLTE, JASC-PAL, GIMP .gpl, Adobe .act, or
// a raw 768-byte file (6-bit VGA values detected and scaled, or the depth
// given).
// Written: every one of these but BMP and PNG as palette-only files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/BmpHeader.h"

namespace icnkit {

enum class TPaletteFormat { Bmp, Png, JascPal, Gpl, Act, Raw };

// How a raw palette's values are read: Detect takes them as 6-bit VGA
// values when none passes 63, SixBit always (a value above 63 is then an
// error), EightBit never. Other formats say their depth themselves.
enum class TPaletteDepth { Detect, SixBit, EightBit };

// Whether a raw palette of colours (black past the last) is what Detect
// reads as 6-bit: no value passes 63, so it would read back brighter.
bool ReadsAsSixBit(const std::vector<TRgbQuad>& colours);

// The format a palette file's name says (.bmp .png .pal .gpl .act .raw/.vga),
// case-insensitive. Throws TZtError for an unknown extension.
TPaletteFormat PaletteFileFormatOfName(const std::string& name);

// The colours of a palette file (up to 256; Reserved bytes 0). The format
// is recognised from the content where it tells (BMP, PNG, JASC-PAL, GPL),
// else from the name: .act is 768 bytes, or 772 with a colour count; .raw,
// .vga (and a .pal that is not JASC text) 768 bytes, always 256 colours.
// Raw values read as 6-bit (depth) are scaled by 255/63 rounded. Throws
// TZtError naming the file for an unknown or damaged palette.
std::vector<TRgbQuad> ReadPaletteFile(std::span<const uint8_t> bytes, const std::string& name,
                                      icnkit::TPaletteDepth depth);
// force6bit: SixBit, else Detect.
inline std::vector<TRgbQuad> ReadPaletteFile(std::span<const uint8_t> bytes,
                                             const std::string& name, bool force6bit) {
  return ReadPaletteFile(bytes, name,
                         force6bit ? icnkit::TPaletteDepth::SixBit : icnkit::TPaletteDepth::Detect);
}

// colours as a file of format (Bmp and Png give a 1x1 8-bit image carrying
// the table). Throws TZtError for more than 256 colours.
std::vector<uint8_t> WritePaletteFile(const std::vector<TRgbQuad>& colours, TPaletteFormat format);

}  // namespace icnkit
