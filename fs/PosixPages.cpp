// Memory hints of the POSIX build (fs/Pages.h).
#include <sys/mman.h>
#include <unistd.h>

#include "fs/Pages.h"

namespace icnkit {

size_t SystemPageSize() {
  return static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

void ReleasePages(std::span<uint8_t> bytes) {
  const std::span<uint8_t> pages = WholePages(bytes);
  // Only a hint: when it fails, the memory is merely kept.
  if (!pages.empty()) ::madvise(pages.data(), pages.size(), MADV_DONTNEED);
}

}  // namespace icnkit
