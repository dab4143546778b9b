// Fuzz target: the bytes as an H2 archive, through the frame folder export.
#include <cstddef>
#include <cstdint>

#include "fuzz/ArchiveHarness.h"

using namespace icnkit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzArchive(TIcnGeneration::H2, data, size);
  return 0;
}
