// A frame drawn into an indexed image: the raster of a rectangle of the
// image, and the whole image filled with the background and one frame of an
// archive painted at its place.
#pragma once

#include <cstdint>

#include "format/FrameRaster.h"
#include "format/Generation.h"
#include "format/IcnArchive.h"
#include "image/IndexedImage.h"

namespace icnkit {

// The colour every frame is drawn on: red 0, green 255, blue 255 (0x00BBGGRR),
// entry 0 of the palettes, which the packers read back as transparent.
constexpr uint32_t kFillColour = 0xFFFF00;

// The rectangle of image that a frame drawn with its top-left pixel at
// (column, row) covers: the raster handed to the decoder. The rectangle
// must lie inside the image and have pixels (the caller checks both).
TFrameRaster FrameRasterAt(TIndexedImage& image, int32_t column, int32_t row, int32_t width,
                           int32_t height);

// Fills the image with the background and paints frame record into it at
// (column, row) (DecodeFrame). A frame without pixels paints nothing.
void DrawFrame(const TIcnGenerationInfo& format, TIndexedImage& image, TArchiveImage archive,
               const TIcnFrame& record, bool fillOnly, int32_t column, int32_t row);

}  // namespace icnkit
