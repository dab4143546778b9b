// TUnpackerGeneration: everything that differs between the two unpackers.
//
// Dravel (H1) and Dravix (H2) are one program built twice; this small table
// of constants is all that tells them apart. What belongs to the format
// (records, codec, fill-only rule, the "Bits" value) is the generation's
// TIcnGenerationInfo; the table adds what belongs to the tool. Everything
// else in unpack/ is shared and takes the table as its first argument.
#pragma once

#include <cstdint>
#include <span>

#include "format/Generation.h"

struct TUnpackerGeneration {
  // Caption of every message box; also names the executable ("dravel").
  const char* ProgramName;
  const TIcnGenerationInfo& Format;
  // Extensions IsArchiveName accepts, lower case, dot included.
  std::span<const char* const> AcceptedExtensions;
  // Appended to the input folder in preview mode.
  const char* PreviewPattern;
  // Looked for in the application folder (then ../share/icnkit/).
  const char* PaletteName;
  // Whether a ".std" archive of more than one frame starts its preview at
  // frame 1 (frame 0 of such archives is a fill-only shape).
  bool StdPreviewStart;
};

extern const TUnpackerGeneration kDravelGeneration;  // H1
extern const TUnpackerGeneration kDravixGeneration;  // H2

// The colour every frame is drawn on: red 0, green 255, blue 255 (0x00BBGGRR),
// entry 0 of the palettes, which the packers read back as transparent.
constexpr uint32_t kFillColour = 0xFFFF00;
