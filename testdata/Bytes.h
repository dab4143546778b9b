// icn_testdata's byte lists, and the little-endian field access its users
// need to patch a built file (a bitmap's compression, a cut size field).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/Bytes.h"

namespace icnkit {

namespace testdata {

using TBytes = std::vector<uint8_t>;

inline void PutU16(TBytes& bytes, size_t at, uint32_t value) {
  icnkit::PutU16(bytes.data() + at, static_cast<uint16_t>(value));
}

inline void PutU32(TBytes& bytes, size_t at, uint32_t value) {
  icnkit::PutU32(bytes.data() + at, value);
}

inline uint32_t GetU32(const TBytes& bytes, size_t at) {
  return icnkit::GetU32(bytes.data() + at);
}

}  // namespace testdata

}  // namespace icnkit
