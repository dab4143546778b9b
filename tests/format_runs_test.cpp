// The decoders' inlined run moves overlap their stores; every length must
// write exactly [0, n) and nothing around it.
#include <gtest/gtest.h>

#include <vector>

#include "format/FrameCursor.h"

namespace {

TEST(FormatRuns, CopyAndFillWriteExactlyTheRun) {
  constexpr size_t kPad = 32;
  std::vector<uint8_t> source(300);
  for (size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i * 7 + 1);
  for (size_t n = 0; n <= 260; ++n) {
    std::vector<uint8_t> copied(n + 2 * kPad, 0xEE), filled(n + 2 * kPad, 0xEE);
    CopyRun(copied.data() + kPad, source.data(), n);
    FillRun(filled.data() + kPad, 0x5A, n);
    for (size_t i = 0; i < copied.size(); ++i) {
      const bool inside = i >= kPad && i < kPad + n;
      ASSERT_EQ(copied[i], inside ? source[i - kPad] : 0xEE) << "n " << n << " at " << i;
      ASSERT_EQ(filled[i], inside ? 0x5A : 0xEE) << "n " << n << " at " << i;
    }
  }
}

}  // namespace
