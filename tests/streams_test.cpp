#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "format/Error.h"
#include "image/ZtStreams.h"
#include "tests/TestSupport.h"

namespace {

std::vector<uint8_t> Iota(size_t n, uint8_t first) {
  std::vector<uint8_t> bytes(n);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

TEST(MemoryStream, ReadWriteSeekAndSize) {
  TZtMemoryStream stream(Iota(10, 0));
  EXPECT_EQ(stream.Size(), 10);
  uint8_t buffer[16] = {};
  EXPECT_EQ(stream.Seek(-3, kSeekEnd), 7);
  EXPECT_EQ(stream.Read(buffer, 16), 3);  // only what is left
  EXPECT_EQ(buffer[0], 7);
  EXPECT_EQ(stream.Read(buffer, 16), 0);
  // Writing past the end grows the stream; the gap reads as zero.
  stream.Seek(12, kSeekBegin);
  const uint8_t tail[2] = {0xAA, 0xBB};
  EXPECT_EQ(stream.Write(tail, 2), 2);
  EXPECT_EQ(stream.Size(), 14);
  EXPECT_EQ(stream.ToVector()[10], 0);
  EXPECT_EQ(stream.ToVector()[13], 0xBB);
  // Cutting and growing again gives zero bytes, not the old ones.
  stream.SetSize(11);
  stream.SetSize(14);
  EXPECT_EQ(stream.ToVector()[13], 0);
  EXPECT_EQ(stream.Position(), 14);
  // A position before the start reads nothing.
  stream.Seek(-20, kSeekCurrent);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  stream.Seek(0, kSeekBegin);
  EXPECT_EQ(MessageOf([&] { stream.ReadBuffer(buffer, 15); }), "Stream read error");
}

// The overlay: 100 source bytes 0..99, 54 replacement bytes 200.., block at 0.
TEST(ReplaceStream, ShowsTheBlockThenTheSource) {
  TZtMemoryStream source(Iota(100, 0));
  auto* replacement = new TZtMemoryStream(Iota(54, 200));
  TZtReplaceStream stream(&source, replacement, false, true, 0);
  EXPECT_EQ(stream.Size(), 100);
  std::vector<uint8_t> buffer(100);
  EXPECT_EQ(stream.Read(buffer.data(), 100), 100);
  std::vector<uint8_t> expected = Iota(54, 200);
  for (uint8_t b = 54; b < 100; ++b) expected.push_back(b);
  EXPECT_EQ(buffer, expected);

  EXPECT_EQ(MessageOf([&] { stream.Write(buffer.data(), 1); }).rfind("Assertion failure", 0), 0u)
      << MessageOf([&] { stream.Write(buffer.data(), 1); });
}

// A block in the middle, read in small pieces that straddle its ends, as the
// loader reads a file whose header is overlaid at its current position.
TEST(ReplaceStream, BlockInTheMiddleReadInPieces) {
  TZtMemoryStream source(Iota(30, 0));
  source.Seek(14, kSeekBegin);
  TZtMemoryStream replacement(Iota(6, 100));
  TZtReplaceStream stream(&source, &replacement, false, false, 10);
  EXPECT_EQ(stream.Position(), 14);  // the source's position at construction
  EXPECT_EQ(stream.Seek(-4, kSeekCurrent), 10);
  std::vector<uint8_t> all;
  uint8_t piece[4];
  for (int64_t n; (n = stream.Read(piece, 4)) > 0;) all.insert(all.end(), piece, piece + n);
  std::vector<uint8_t> expected = Iota(6, 100);
  for (uint8_t b = 16; b < 30; ++b) expected.push_back(b);
  EXPECT_EQ(all, expected);
  // Seeking into the block repositions the replacement.
  EXPECT_EQ(stream.Seek(13, kSeekBegin), 13);
  EXPECT_EQ(stream.Read(piece, 2), 2);
  EXPECT_EQ(piece[0], 103);
  EXPECT_EQ(piece[1], 104);
}

}  // namespace
