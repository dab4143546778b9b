// TUnpackerGeneration: everything that differs between the two unpackers.
//
// Dravel (H1) and Dravix (H2) are one program built twice; this small table
// of constants is all that tells them apart. What belongs to the format
// (records, codec, fill-only rule, the "Bits" value) is the generation's
// TIcnGenerationInfo, what the unpackers share with the packers and icnkit
// (archive names, the palette bitmap) is in conventions/; the table adds
// what belongs to the unpackers alone. Everything else in unpack/ is shared and takes the table as
// its first argument.
#pragma once

#include "format/Generation.h"

namespace icnkit {

struct TUnpackerGeneration {
  // Caption of every message box; also names the executable ("dravel").
  const char* ProgramName;
  const TIcnGenerationInfo& Format;
  // Appended to the input folder in preview mode.
  const char* PreviewPattern;
  // Whether a ".std" archive of more than one frame starts its preview at
  // frame 1 (frame 0 of such archives is a fill-only shape).
  bool StdPreviewStart;
};

extern const TUnpackerGeneration kDravelGeneration;  // H1
extern const TUnpackerGeneration kDravixGeneration;  // H2

// kDravelGeneration or kDravixGeneration.
const TUnpackerGeneration& UnpackerGeneration(TIcnGeneration generation);

}  // namespace icnkit
