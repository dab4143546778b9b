// Little-endian reads and writes of unaligned 16- and 32-bit fields, the
// byte order of every on-disk structure icnkit reads or writes.
#pragma once

#include <cstdint>

namespace icnkit {

inline uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void PutU16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutU32(uint8_t* p, uint32_t value) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(value >> (8 * k));
}

}  // namespace icnkit
