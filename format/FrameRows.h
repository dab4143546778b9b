// A frame decoded one row at a time into one row's memory, for a caller
// that keeps part of each row (a region, every n-th pixel) and never holds
// the whole frame: memory is one row however tall the frame.
#pragma once

#include <cstdint>

#include "format/Generation.h"
#include "format/IcnArchive.h"

namespace icnkit {

// Told of each row as it is decoded.
class TFrameRowSink {
 public:
  // Row y of the frame is in the row buffer. False: no later row is
  // needed, and decoding stops. The buffer keeps what the decoder wrote
  // before: skips leave pixels as they were, so the sink clears the buffer
  // before a row it will read (the caller clears it before row 0).
  virtual bool Row(int32_t y) = 0;

 protected:
  ~TFrameRowSink() = default;
};

// Decodes the frame of record, from the validated archive, row by row into
// row: columns 0..width-1 of each row are written there (width at most the
// frame's), later ones dropped. sink.Row(y) is called for each row from 0
// on up to the last the stream reaches (rows after it are transparent), or
// until it says stop. A frame without pixels calls nothing.
void DecodeFrameRows(const TIcnGenerationInfo& format, TArchiveImage archive,
                     const TIcnFrame& record, bool fillOnly, uint8_t* row, int32_t width,
                     TFrameRowSink& sink);

}  // namespace icnkit
