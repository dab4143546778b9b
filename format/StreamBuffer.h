// Growth of the encoders' output buffer.
#pragma once

#include <cstdint>
#include <vector>

#include "format/Error.h"

namespace icnkit {

// Makes room for `more` bytes beyond the buffer's size, growing the capacity
// at least geometrically so that appending many frames stays linear.
inline void ReserveFor(std::vector<uint8_t>& buffer, uint64_t more) {
  const uint64_t size = buffer.size();
  if (more > buffer.max_size() - size) throw TZtError("Archive too large");
  const uint64_t needed = size + more;
  if (needed <= buffer.capacity()) return;
  uint64_t doubled = uint64_t(buffer.capacity()) * 2;
  if (doubled > buffer.max_size()) doubled = buffer.max_size();
  buffer.reserve(static_cast<size_t>(needed > doubled ? needed : doubled));
}

}  // namespace icnkit
