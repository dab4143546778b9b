// The seeds of the targets over what the icnkit tool reads: PNG frames,
// palette files and sheets' JSON, made by icnkit's own writers (and
// libspng, for the PNG layouts icnkit does not write).
#pragma once

#include <string>
#include <vector>

#include "format/IcnArchive.h"
#include "fuzz/SeedWriter.h"
#include "testdata/Bytes.h"

using namespace icnkit;

// png_read: indexed PNGs of every bit depth, grey, RGB and RGBA of 8 and 16
// bits, plain and interlaced, in the colours of FuzzPngPalette().
void PngSeeds(const std::string& folder);

// palette_file: a byte choosing the name (palette_file.cpp), then a
// palette in each format.
void PaletteSeeds(const std::string& folder);

// sheet_json: the JSON of sheets of the archives, trimmed or not, in a grid
// or packed.
void SheetSeeds(TSeedWriter& seeds, TIcnGeneration generation,
                const std::vector<testdata::TBytes>& archives);
