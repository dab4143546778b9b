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

// How a raw palette's values (.raw, .vga, a .pal that is no JASC text) are
// read: Detect takes them for 6-bit VGA values, scaled by 255/63, when none
// passes 63, and as they are otherwise; SixBit always scales them (a value
// above 63 is then an error); EightBit takes them as they are, so a dark
// palette written raw reads back as the colours written. The other formats
// say their depth themselves.
enum class PaletteDepth { Detect, SixBit, EightBit };

// The colours of a palette file's bytes. The format comes from the content
// where it tells (BMP, PNG, JASC-PAL, GPL), else from name (the file's name,
// which messages show): .act is 768 bytes or 772 with a count; .raw, .vga
// (and a .pal that is no JASC text) 768 bytes, read at depth. Throws Error
// (InvalidInput) naming the file for an unknown or damaged palette.
ICNKIT_API Palette ReadPalette(std::span<const uint8_t> bytes, const std::string& name,
                               PaletteDepth depth);
// The same with six_bit: PaletteDepth::SixBit, without: PaletteDepth::Detect.
ICNKIT_API Palette ReadPalette(std::span<const uint8_t> bytes, const std::string& name,
                               bool six_bit = false);

// Whether the raw palette file of colours (black past the last) has no value
// above 63, so that PaletteDepth::Detect reads it back as 6-bit values,
// brighter than written (read it with PaletteDepth::EightBit to have the
// colours written). "icnkit palette" warns when it writes one.
ICNKIT_API bool RawPaletteReadsAsSixBit(const Palette& colours);

// colours as a file of format (Bmp and Png: a 1 x 1 image carrying them).
// Throws Error (InvalidInput) for more than 256 colours.
ICNKIT_API std::vector<uint8_t> WritePalette(const Palette& colours, PaletteFormat format);

// ReadPalette of the file at path. Throws Error (NotFound, Io) "Cannot open
// file ..." for a file that cannot be read.
ICNKIT_API Palette ReadPaletteFile(const std::string& path, PaletteDepth depth);
// The same with six_bit: PaletteDepth::SixBit, without: PaletteDepth::Detect.
ICNKIT_API Palette ReadPaletteFile(const std::string& path, bool six_bit = false);

// Writes colours as the palette file at path, in the format its name says,
// whole or not at all, as "icnkit palette" does (its folders made first).
// A raw file of a dark palette (RawPaletteReadsAsSixBit) reads back as
// written only with PaletteDepth::EightBit.
ICNKIT_API void WritePaletteFile(const std::string& path, const Palette& colours);

}  // namespace icnkit
