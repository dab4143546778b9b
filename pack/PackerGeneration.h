// The short table of constants that makes one packer program out of two:
// everything that differs between morlet (H1) and morvix (H2). What belongs
// to the format (record size, encoder, which Bits a record keeps) is the
// generation's TIcnGenerationInfo.
#pragma once

#include "format/Generation.h"

namespace icnkit {

struct TPackerGeneration {
  // Caption of every message box, and the name in the usage text.
  const char* ProgramName;
  const TIcnGenerationInfo& Format;
};

const TPackerGeneration& PackerGeneration(TIcnGeneration generation);

}  // namespace icnkit
