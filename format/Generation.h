// TIcnGenerationInfo: everything the format knows about one generation, in
// one place. The unpackers and packers take it from here and add only what
// belongs to the tools (program name, extensions, palette, preview).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/CodeTables.h"
#include "format/FrameRaster.h"
#include "format/IcnArchive.h"

namespace icnkit {

// Bit 5 of a frame's "Bits" value: the frame is fill-only.
constexpr int32_t kFillOnlyBit = 32;

struct TIcnGenerationInfo {
  TIcnGeneration Generation;
  // Frame record size (12 or 13) and its reading and writing.
  size_t RecordSize;
  TIcnFrame (*ReadRecord)(const uint8_t* record);
  void (*WriteRecord)(uint8_t* record, const TIcnFrame& frame);
  // Paints the frame's stream into target, clipped to target's rectangle.
  void (*Decode)(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly);
  // Appends the stream of the width x height rectangle at source.
  void (*Encode)(std::vector<uint8_t>& output, const uint8_t* source, ptrdiff_t rowStep,
                 int32_t width, int32_t height, bool fillOnly);
  // The fill-only flag of frame index (record) of the validated image whose
  // file is called archiveName (no folder). H1 deduces it from the name and
  // the stream, H2 reads bit 5 of the record's Bits.
  bool (*FillOnly)(const std::string& archiveName, TArchiveImage image, size_t index,
                   const TIcnFrame& record);
  // H2 records keep the low 8 bits of a frame's "Bits" value; H1 has no
  // such byte and keeps only the fill-only flag (in the stream).
  bool StoresBits;
  // The frame's "Bits" value in a frame folder's setup.ini: H1 the flag
  // alone (32 or 0), H2 the record's whole byte so a pack restores it.
  int32_t (*BitsValue)(bool fillOnly, const TIcnFrame& record);
  // Code and pixel class tables of the generation's streams.
  const TIcnCodeTable& Codes;
};

extern const TIcnGenerationInfo kH1Generation;
extern const TIcnGenerationInfo kH2Generation;

const TIcnGenerationInfo& GenerationInfo(TIcnGeneration generation);

// "H1" or "H2".
const char* GenerationName(TIcnGeneration generation);
// "h1"/"H1" -> H1, "h2"/"H2" -> H2; nullopt for anything else.
std::optional<TIcnGeneration> ParseGenerationName(const std::string& text);

// Paints the frame of record, from the validated archive, into target (a
// raster of the frame's size) with the generation's decoder. The stream is
// read no further than MaxStreamLength(record); a frame without pixels
// paints nothing, so its stream is not decoded at all.
void DecodeFrame(const TIcnGenerationInfo& format, TArchiveImage archive, const TIcnFrame& record,
                 bool fillOnly, const TFrameRaster& target);

}  // namespace icnkit
