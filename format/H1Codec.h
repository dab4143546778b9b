// H1 frame pixel stream codec and the H1 fill-only rule.
//
//   0x00        end of row: column 0 of the next row
//   0x01..0x7F  literal run of n = code pixels; normal frames: n indices
//               follow; fill-only frames: nothing follows, pixels take 5
//   0x80        end of frame
//   0x81..0xFF  skip run of code - 0x80 pixels, left unwritten
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/CodeTables.h"
#include "format/FrameRaster.h"
#include "format/IcnArchive.h"

namespace icnkit {

// Decodes the stream (from its first byte to the end of the archive image)
// into target. Stops at the end-of-frame code, at the end of the data, or at
// more end-of-row codes than target.Height; runs are clipped to the frame.
void DecodeH1Frame(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly);
// Appends the stream of the width x height rectangle at source.
void EncodeH1Frame(std::vector<uint8_t>& output, const uint8_t* source, ptrdiff_t rowStep,
                   int32_t width, int32_t height, bool fillOnly);
// Whether frame index of the (validated) archive image is fill-only: from the
// archive's file name, without its folder ("font.icn": all; ".std": frame 0),
// and a scan of its stream.
bool DeduceH1FillOnly(const std::string& archiveName, TArchiveImage image, size_t index);

}  // namespace icnkit
