// The one archive builder of the tests, fuzz seeds, benchmarks and samples:
// an ICN archive of either generation from frame records and the streams to
// store for them - streams given byte by byte, or rasters encoded by
// format/'s own encoders - laid out as the packers lay them (header, table,
// then the streams in frame order), through format/'s archive writer.
#pragma once

#include <cstdint>
#include <vector>

#include "format/IcnArchive.h"
#include "testdata/Bytes.h"

namespace icnkit {

namespace testdata {

// One frame of a built archive: its record (DataOffset is computed) and the
// stream placed at that offset, or, when Shared names an earlier frame, no
// stream of its own: the record points at that frame's stream.
struct TTestFrame {
  TIcnFrame Record;
  TBytes Stream;
  int Shared = -1;
};

TIcnFrame Record(int16_t left, int16_t top, uint16_t width, uint16_t height, uint8_t bits = 0);

// The stream the generation's encoder writes for a top-down width x height
// block of indices.
TBytes EncodeFrame(TIcnGeneration generation, const TBytes& pixels, int32_t width, int32_t height,
                   bool fillOnly = false);

// A frame whose stream encodes pixels, a top-down raster of record.Width x
// record.Height indices.
TTestFrame EncodedFrame(TIcnGeneration generation, const TIcnFrame& record, const TBytes& pixels,
                        bool fillOnly = false);

// A frame whose every pixel holds index, but for a transparent pixel at
// (1, 1) when the frame is at least 3 x 3: a hole the background must fill.
TTestFrame SolidFrame(TIcnGeneration generation, int16_t left, int16_t top, uint16_t width,
                      uint16_t height, uint8_t index);

// Header, table and the streams one after another.
TBytes BuildArchive(TIcnGeneration generation, const std::vector<TTestFrame>& frames);

}  // namespace testdata

}  // namespace icnkit
