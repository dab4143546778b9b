// The palette bitmap of a generation (H1Palette.bmp, H2Palette.bmp), where
// it is found, and the one indexed image loaded from it, through which the
// unpackers draw every frame.
//
// The work image is made on first use and then only reshaped, so every
// bitmap written carries the palette's colour table and no per-frame
// allocation beyond the resize happens. Its colours come from the palette
// bitmap (the four legacy tools: the file beside them is theirs, and a user
// may give it other colours) or from the colours compiled in (icnkit and the
// library: PaletteColours, the same colours the build writes into the
// palette bitmaps, with no file to find).
#pragma once

#include <string>

#include "format/IcnArchive.h"
#include "fs/FileSystem.h"
#include "image/IndexedImage.h"

namespace icnkit {

// Where the generation's palette bitmap is read from:
// ApplicationFolder(fs) + its name, or, when that file is missing, the
// installed layout ApplicationFolder(fs) + "../share/icnkit/" + its name.
// When both are missing raises "Palette not found: "%s", "%s"" naming both
// places searched.
std::string PalettePath(TFileSystem& fs, TIcnGeneration generation);

// Where a work image's colours come from.
enum class TPaletteSource { Bitmap, BuiltIn };

// The calling thread's image of the generation and source, made when it
// does not exist yet: from Bitmap, loaded through fs from the palette bitmap
// ("Cannot open file ..." and the loader's other messages; "Wrong bitmap
// format: <path>" for a palette bitmap that is not 8 bits per pixel).
TIndexedImage& WorkImage(TFileSystem& fs, TIcnGeneration generation,
                         TPaletteSource source = TPaletteSource::Bitmap);

// Frees the calling thread's images, so the next use loads the palette
// again. Every thread other than the main one calls it before it ends
// (RunJobs' workers do), or its images are never freed.
void DiscardWorkImage();

}  // namespace icnkit
