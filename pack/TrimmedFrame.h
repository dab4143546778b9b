// A frame as the packers store it: the opaque (non-0) pixels of a raster,
// trimmed to the smallest rectangle that holds them (image/TrimBox.h) and
// placed by where the raster lies. The frame folder packer and the
// library's archive builder both make their frames here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/Generation.h"
#include "format/IcnArchive.h"
#include "image/IndexedImage.h"

namespace icnkit {

struct TTrimmedFrame {
  TIcnFrame Record;  // DataOffset 0: the writer sets it
  // The trimmed rectangle's top-left pixel and the step to the row below,
  // what the encoder reads (null and 0 for a frame without pixels).
  const uint8_t* Source = nullptr;
  ptrdiff_t RowStep = 0;
  bool FillOnly = false;
};

// What the BMP loader makes of a 0-byte file. The unpackers write one for
// every frame of a folder whose common rectangle is empty, so it stands for
// an all-transparent frame rather than for a wrong format. Compressed pixels
// the loader does not decode (RLE4, JPEG, PNG, ...) also load without rows,
// but keep their compression code: those are pictures in a wrong format.
bool IsEmptyFrameImage(const TIndexedImage& image);

// The frame of the width x height raster at topLeft (rows rowStep apart,
// top row first) whose pixel (0, 0) lies at (x, y), flagged by bits (bit 5:
// fill-only; H2 records keep the low byte). A raster without opaque pixels
// (or without any) gives a frame without pixels at (x, y). Raises TZtError
// "Frame out of range" when a record cannot hold the frame (Left or Top
// outside -32768..32767, a side past 65535).
TTrimmedFrame TrimFrame(const TIcnGenerationInfo& format, const uint8_t* topLeft, ptrdiff_t rowStep,
                        int32_t width, int32_t height, int64_t x, int64_t y, int32_t bits);

}  // namespace icnkit
