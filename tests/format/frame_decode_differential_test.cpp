// The frame decode loop with masked moves (format/MaskedRuns.h) against the
// same loop with the portable moves, the serial decoder every processor
// runs: encoder output of random sprites of random sizes, both generations,
// normal and fill-only, as it is, mutated and cut short, and random byte
// strings, each decoded into memory filled with a random pattern, with rows
// farther apart than the frame is wide, top-down and bottom-up. Every byte,
// the padding between rows and a border around the frame included, must
// come out the same. On processors without masked moves, the public
// decoders (which then take the portable moves) are held against the
// portable loop only.
#include <gtest/gtest.h>

#include <random>

#include "format/FrameCodec.h"
#include "format/H1Codec.h"
#include "format/H2Codec.h"
#include "tests/format/FormatTestSupport.h"

using namespace icnkit;

namespace {

using icn_detail::DecodeFrameAs;

// width x height with rows `step` bytes apart (|step| >= width), inside a
// border of 80 bytes, all of it random.
struct TPatternMemory {
  static constexpr size_t kBorder = 80;
  TBytes Bytes;
  TFrameRaster Frame;

  TPatternMemory(uint32_t seed, int32_t width, int32_t height, ptrdiff_t step) {
    const size_t stride = size_t(step < 0 ? -step : step);
    Bytes.resize(size_t(height - 1) * stride + size_t(width) + 2 * kBorder);
    std::mt19937 random(seed);
    for (uint8_t& b : Bytes) b = uint8_t(random());
    const size_t first = step < 0 ? size_t(height - 1) * stride : 0;
    Frame = {Bytes.data() + kBorder + first, step, width, height};
  }
};

void ExpectSameDecodes(bool h2, const TBytes& stream, int32_t width, int32_t height, bool fillOnly,
                       std::mt19937& random) {
  const ptrdiff_t step = ptrdiff_t(width + int32_t(random() % 70)) * (random() % 4 == 0 ? -1 : 1);
  const uint32_t seed = uint32_t(random());
  const TBytes copy(stream);  // exact size: reads past it are caught by ASan
  TPatternMemory portable(seed, width, height, step), masked(seed, width, height, step),
      dispatched(seed, width, height, step);
  (h2 ? DecodeFrameAs<kH2CodeTable, false>
      : DecodeFrameAs<kH1CodeTable, false>)(copy, portable.Frame, fillOnly);
  (h2 ? DecodeH2Frame : DecodeH1Frame)(copy, dispatched.Frame, fillOnly);
  ASSERT_EQ(dispatched.Bytes, portable.Bytes)
      << (h2 ? "H2" : "H1") << " " << width << " x " << height << " step " << step
      << (fillOnly ? " fill-only" : "") << ", stream of " << stream.size();
  if (!MaskedRunsAvailable()) return;
  (h2 ? DecodeFrameAs<kH2CodeTable, true> : DecodeFrameAs<kH1CodeTable, true>)(copy, masked.Frame,
                                                                               fillOnly);
  ASSERT_EQ(masked.Bytes, portable.Bytes)
      << (h2 ? "H2" : "H1") << " " << width << " x " << height << " step " << step
      << (fillOnly ? " fill-only" : "") << ", stream of " << stream.size();
}

// Changes a few bytes of the stream: any value, an end-of-row or
// end-of-frame code, or a 0x00 inside what was a literal run; and now and
// then cuts it short.
TBytes Mutated(TBytes stream, std::mt19937& random) {
  const int changes = 1 + int(random() % 4);
  for (int k = 0; k < changes && !stream.empty(); ++k) {
    const uint8_t kinds[] = {
        uint8_t(random()), 0x00, 0x80, uint8_t(0x81 + random() % 0x7F), 0xC0, 0xC1};
    stream[random() % stream.size()] = kinds[random() % std::size(kinds)];
  }
  if (random() % 3 == 0) stream.resize(random() % (stream.size() + 1));
  return stream;
}

TEST(FrameDecodeDifferential, MaskedMovesDecodeEncodedAndDamagedStreamsAsThePortableLoop) {
  std::mt19937 random(909);
  const std::vector<uint8_t> palette = {1,    5,    6,    7,    0x04, 0x03, 0x09,
                                        0xF6, 0xFC, 0xFE, 0xFF, 0x40, 0x97};
  for (int round = 0; round < 800; ++round) {
    const bool h2 = round % 2 == 1;
    const bool fillOnly = round % 3 == 0;
    const int32_t width = 1 + int32_t(random() % (round % 4 == 0 ? 600 : 140));
    const int32_t height = 1 + int32_t(random() % 10);
    const TBytes pixels = RandomSprite(random, width, height, palette);
    const TBytes stream =
        EncodeRaster(h2 ? kH2Generation : kH1Generation, pixels, width, height, fillOnly);
    // The frame as encoded, narrower (runs clipped at the right edge) and
    // shorter (end-of-row codes beyond the last row).
    const int32_t narrow = 1 + int32_t(random() % width), shorter = 1 + int32_t(random() % height);
    ExpectSameDecodes(h2, stream, width, height, fillOnly, random);
    ExpectSameDecodes(h2, stream, narrow, shorter, fillOnly, random);
    ExpectSameDecodes(h2, Mutated(stream, random), width, height, fillOnly, random);
    ExpectSameDecodes(h2, Mutated(stream, random), narrow, height, !fillOnly, random);
  }
}

TEST(FrameDecodeDifferential, MaskedMovesDecodeRandomBytesAsThePortableLoop) {
  std::mt19937 random(910);
  for (int round = 0; round < 1200; ++round) {
    TBytes stream(random() % 4 == 0 ? random() % 64 : 64 + random() % 2000);
    // Mostly short runs and skips, so that rows end inside the frame.
    for (uint8_t& b : stream)
      b = random() % 3 == 0 ? uint8_t(random()) : uint8_t(random() % 24 + (random() % 2) * 0x80);
    const int32_t width = 1 + int32_t(random() % 300), height = 1 + int32_t(random() % 40);
    ExpectSameDecodes(round % 2 == 1, stream, width, height, round % 5 == 0, random);
  }
}

#ifdef ICN_HAVE_MASKED_RUNS
// The moves themselves: exactly [0, n) written, for every n up to 64, the
// bytes around them untouched.
TEST(FrameDecodeDifferential, MaskedMovesWriteExactlyTheRun) {
  if (!MaskedRunsAvailable()) GTEST_SKIP() << "no masked moves in this processor or build";
  ExpectMovesWriteExactlyTheRun(
      64, [](uint8_t* to, const uint8_t* from, size_t n) { MaskedCopy(to, from, n); },
      [](uint8_t* to, uint8_t value, size_t n) { MaskedFill(to, value, n); });
}
#endif

}  // namespace
