// The frames of one archive as the sheets, GIFs and gallery draw them: each
// record with its fill-only flag and "Bits" value (as a frame folder's
// setup.ini would hold them), the union rectangle of all frames, and the
// decoding of one frame into any raster.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "format/FrameRaster.h"
#include "format/Generation.h"
#include "format/IcnArchive.h"

namespace icnkit {

struct TFrameFacts {
  TIcnFrame Record;
  bool FillOnly = false;
  int32_t Bits = 0;  // the generation's BitsValue: H1 32 or 0, H2 the record's byte
  bool HasPixels() const { return Record.Width > 0 && Record.Height > 0; }
};

// Refers to the archive's bytes, which must outlive it.
struct TArchiveFrames {
  TArchiveImage Archive;
  const TIcnGenerationInfo* Format = nullptr;
  std::string ArchiveName;  // the file's name without its folder
  std::vector<TFrameFacts> Frames;
  TRectangle Union;  // all 0 for an archive without frames
};

// Validates the archive (ValidateArchive's messages) and reads its records.
// archiveName (no folder) decides H1 fill-only frames ("font.icn", ".std").
TArchiveFrames ReadArchiveFrames(TArchiveImage archive, TIcnGeneration generation,
                                 const std::string& archiveName);

// Paints frame i into target, a Width x Height raster of the frame's size;
// pixels the stream skips keep their value. A frame without pixels paints
// nothing. The stream is read no further than a frame of its size can
// need, and never outside the archive.
void DecodeFrameInto(const TArchiveFrames& frames, size_t i, const TFrameRaster& target);

// The raster of the w x h rectangle at (x, y) of a top-down buffer of
// `stride` bytes per row (x, y, w, h inside it; checked by the caller).
TFrameRaster TopDownRaster(uint8_t* buffer, ptrdiff_t stride, int32_t x, int32_t y, int32_t w,
                           int32_t h);

}  // namespace icnkit
