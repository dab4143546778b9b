// TUnpackerGeneration: everything that differs between the two unpackers.
//
// Dravel (H1) and Dravix (H2) are one program built twice; this small table
// of constants is all that tells them apart. Everything else in unpack/ is
// shared and takes the table as its first argument.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "format/FrameRaster.h"
#include "format/IcnArchive.h"

struct TUnpackerGeneration {
  // Caption of every message box; also names the executable ("dravel").
  const char* ProgramName;
  TIcnGeneration Generation;
  // Extensions IsArchiveName accepts, lower case, dot included.
  std::span<const char* const> AcceptedExtensions;
  // Appended to the input folder in preview mode.
  const char* PreviewPattern;
  // Looked for in the application folder (then ../share/icnkit/).
  const char* PaletteName;
  // Whether a ".std" archive of more than one frame starts its preview at
  // frame 1 (frame 0 of such archives is a fill-only shape).
  bool StdPreviewStart;
  // The frame's fill-only flag (validated image, record i).
  bool (*FillOnly)(const std::string& archivePath, TArchiveImage image, size_t index,
                   const TIcnFrame& record);
  // Paints the frame's stream into target, clipped to target's rectangle.
  void (*Decode)(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly);
  // The frame's "Bits" value in setup.ini.
  int32_t (*BitsValue)(bool fillOnly, const TIcnFrame& record);
};

extern const TUnpackerGeneration kDravelGeneration;  // H1
extern const TUnpackerGeneration kDravixGeneration;  // H2

// The colour every frame is drawn on: red 0, green 255, blue 255 (0x00BBGGRR),
// entry 0 of the palettes, which the packers read back as transparent.
constexpr uint32_t kFillColour = 0xFFFF00;
