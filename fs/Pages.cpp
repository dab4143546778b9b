#include "fs/Pages.h"

namespace icnkit {

std::span<uint8_t> WholePages(std::span<uint8_t> bytes) {
  static const uintptr_t page = SystemPageSize();
  const uintptr_t first = reinterpret_cast<uintptr_t>(bytes.data());
  const uintptr_t start = (first + page - 1) & ~(page - 1);
  const uintptr_t stop = (first + bytes.size()) & ~(page - 1);
  if (stop <= start) return {};
  return bytes.subspan(start - first, stop - start);
}

}  // namespace icnkit
