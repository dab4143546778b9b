// The unpackers' one indexed image, through which every frame is drawn.
//
// Loaded from the generation's palette bitmap on first use and then only
// reshaped, so every bitmap written carries the palette's colour table and
// no per-frame allocation beyond the resize happens.
#pragma once

#include <cstdint>
#include <string>

#include "format/FrameRaster.h"
#include "format/IcnArchive.h"
#include "fs/FileSystem.h"
#include "image/IndexedImage.h"
#include "unpack/UnpackerGeneration.h"

// Where the palette bitmap is read from: ApplicationFolder(fs) + name, or,
// when that file is missing, the installed layout ApplicationFolder(fs) +
// "../share/icnkit/" + name. When both are missing raises
// "Palette not found: "%s", "%s"" naming both places searched.
std::string PalettePath(TFileSystem& fs, const TUnpackerGeneration& generation);

// The calling thread's image of the generation, loaded through fs from the
// palette bitmap when it does not exist yet ("Cannot open file ..." and the
// loader's other messages).
TIndexedImage& WorkImage(TFileSystem& fs, const TUnpackerGeneration& generation);

// Frees the calling thread's images, so the next use loads the palette
// again. Every thread other than the main one calls it before it ends
// (RunJobs' workers do), or its images are never freed.
void DiscardWorkImage();

// The rectangle of image that a frame drawn with its top-left pixel at
// (column, row) covers: the raster handed to the decoder. The rectangle
// must lie inside the image and have pixels (the caller checks both).
TFrameRaster FrameRasterAt(TIndexedImage& image, int32_t column, int32_t row, int32_t width,
                           int32_t height);

// Fills the image with the background and paints frame record into it at
// (column, row). A frame without pixels paints nothing, so its stream is
// not decoded at all.
void DrawFrame(const TUnpackerGeneration& generation, TIndexedImage& image, TArchiveImage archive,
               const TIcnFrame& record, bool fillOnly, int32_t column, int32_t row);
