// Pages.h: memory hints for large buffers read once from front to back (an
// archive being unpacked). The system's part is one whole file per
// platform: PosixPages.cpp, WindowsPages.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace icnkit {

// The size of the system's memory pages, a power of two.
size_t SystemPageSize();

// The whole pages inside bytes (empty when there are none).
std::span<uint8_t> WholePages(std::span<uint8_t> bytes);

// Gives the memory of the whole pages inside bytes back to the system while
// their buffer lives on. The caller never reads those bytes again: they read
// as zeros on Linux, as anything elsewhere. The buffer is freed as usual.
// Windows keeps the memory (nothing there drops pages of a heap block).
void ReleasePages(std::span<uint8_t> bytes);

}  // namespace icnkit
