// Memory hints of the Windows build (fs/Pages.h).
#include "fs/Pages.h"
#include "fs/WindowsHeaders.h"

namespace icnkit {

size_t SystemPageSize() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

// The buffers are heap blocks: decommitting their pages would break the
// heap, so the memory is kept.
void ReleasePages(std::span<uint8_t>) {}

}  // namespace icnkit
