// Palettes: the generations' own colours, and palette files in the formats
// "icnkit palette" converts between.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "icnkit/export.h"
#include "icnkit/generation.h"

namespace icnkit {

struct Colour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Colour&) const = default;
};

// Up to 256 colours, entry i the colour of palette index i.
using Palette = std::vector<Colour>;

// The 256 colours of the generation, as every bitmap the unpackers write
// carries them (their palette bitmaps H1Palette.bmp and H2Palette.bmp hold
// these): compiled in, no file is read. Entry 0 is the background, red 0,
// green 255, blue 255, which nothing else repeats.
ICNKIT_API Palette GenerationPalette(Generation generation);

// The palette file formats: a BMP colour table, a PNG's PLTE, JASC-PAL
// (.pal), GIMP (.gpl), Adobe (.act) and raw 768 bytes (.raw, .vga).
enum class PaletteFormat { Bmp, Png, JascPal, Gpl, Act, Raw };

// The format a file name says, by its extension in any letter case. Throws
// Error (InvalidInput) for another extension.
ICNKIT_API PaletteFormat PaletteFormatOfName(const std::string& name);

// The colours of a palette file's bytes. The format comes from the content
// where it tells (BMP, PNG, JASC-PAL, GPL), else from name (the file's name,
// which messages show): .act is 768 bytes or 772 with a count; .raw, .vga
// (and a .pal that is no JASC text) 768 bytes. Raw values all within 0..63
// are 6-bit VGA values and scaled by 255/63, always so with six_bit. Throws
// Error (InvalidInput) naming the file for an unknown or damaged palette.
ICNKIT_API Palette ReadPalette(std::span<const uint8_t> bytes, const std::string& name,
                               bool six_bit = false);

// colours as a file of format (Bmp and Png: a 1 x 1 image carrying them).
// Throws Error (InvalidInput) for more than 256 colours.
ICNKIT_API std::vector<uint8_t> WritePalette(const Palette& colours, PaletteFormat format);

// ReadPalette of the file at path. Throws Error (NotFound, Io) "Cannot open
// file ..." for a file that cannot be read.
ICNKIT_API Palette ReadPaletteFile(const std::string& path, bool six_bit = false);

// Writes colours as the palette file at path, in the format its name says,
// whole or not at all, as "icnkit palette" does (its folders made first).
ICNKIT_API void WritePaletteFile(const std::string& path, const Palette& colours);

}  // namespace icnkit
