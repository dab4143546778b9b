// H2 frame pixel stream codec.
//
//   0x00        end of row
//   0x01..0x7F  literal run (normal: n indices follow; fill-only: none, 5)
//   0x80        end of frame
//   0x81..0xBF  skip run of code - 0x80 (1..63) pixels
//   0xC0 m [n]  special run: value named by selector m, length m & 3 or,
//               when that is 0, the count byte n
//   0xC1 n v    long fill run of n pixels of index v
//   0xC2..0xFF v  short fill run of code & 0x3F pixels of index v
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/CodeTables.h"
#include "format/FrameRaster.h"
#include "format/IcnArchive.h"

namespace icnkit {

// Bit 5 of the H2 record's Bits byte.
bool IsFillOnly(const TIcnFrame& record);
void DecodeH2Frame(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly);
void EncodeH2Frame(std::vector<uint8_t>& output, const uint8_t* source, ptrdiff_t rowStep,
                   int32_t width, int32_t height, bool fillOnly);

}  // namespace icnkit
