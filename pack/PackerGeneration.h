// The short table of constants that makes one packer program out of two:
// everything that differs between morlet (H1) and morvix (H2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/IcnArchive.h"

struct TPackerGeneration {
  // Caption of every message box, and the name in the usage text.
  const char* ProgramName;
  TIcnGeneration Generation;
  // Frame record size of the archive (12 or 13).
  size_t RecordSize;
  // Builds the encoder's pixel class tables; called before each assembly.
  void (*PrepareClassTables)();
  void (*EncodeFrame)(std::vector<uint8_t>& output, const uint8_t* source, ptrdiff_t rowStep,
                      int32_t width, int32_t height, bool fillOnly);
  // H2 keeps the low 8 bits of the frame's "Bits" value in its record; H1
  // has no such byte and keeps only the fill-only flag (in the stream).
  bool StoresBits;
};

// Bit 5 of a frame's "Bits" value: the frame is fill-only.
constexpr int32_t kFillOnlyBit = 32;

const TPackerGeneration& PackerGeneration(TIcnGeneration generation);
