// The decoders' inlined run moves overlap their stores; every length must
// write exactly [0, n) and nothing around it.
#include <gtest/gtest.h>

#include <vector>

#include "format/FrameCursor.h"
#include "tests/format/FormatTestSupport.h"

using namespace icnkit;

namespace {

TEST(FormatRuns, CopyAndFillWriteExactlyTheRun) {
  ExpectMovesWriteExactlyTheRun(
      260, [](uint8_t* to, const uint8_t* from, size_t n) { CopyRun(to, from, n); },
      [](uint8_t* to, uint8_t value, size_t n) { FillRun(to, value, n); });
}

}  // namespace
