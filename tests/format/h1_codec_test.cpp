#include <gtest/gtest.h>

#include <random>

#include "format/H1Codec.h"
#include "tests/format/FormatTestSupport.h"

using namespace icnkit;

namespace {

TBytes Encode(const TBytes& pixels, int32_t width, int32_t height, bool fillOnly) {
  return EncodeRaster(kH1Generation, pixels, width, height, fillOnly);
}

TBytes Decode(const TBytes& stream, int32_t width, int32_t height, bool fillOnly,
              bool bottomUp = false) {
  return DecodeGuarded(kH1Generation, stream, width, height, fillOnly, bottomUp);
}

TEST(H1Codec, EncoderExamples) {
  EXPECT_EQ(Encode({}, 5, 0, false), Bytes({0x80}));
  const TBytes frame = Bytes({0, 0, 7, 7, 0, 3, 0, 0, 0, 0});
  EXPECT_EQ(Encode(frame, 5, 2, false),
            Bytes({0x82, 0x02, 0x07, 0x07, 0x00, 0x01, 0x03, 0x00, 0x80}));
  EXPECT_EQ(Encode(frame, 5, 2, true), Bytes({0x82, 0x02, 0x00, 0x01, 0x00, 0x80}));
  EXPECT_EQ(Encode(Repeat(9, 130), 130, 1, false),
            Concat({Bytes({0x7F}), Repeat(9, 127), Bytes({0x03, 9, 9, 9, 0x00, 0x80})}));
  EXPECT_EQ(Encode(Repeat(0, 200), 200, 1, false), Bytes({0xFF, 0x00, 0x80}));
  EXPECT_EQ(Encode(Repeat(0, 127), 127, 1, false), Bytes({0x00, 0x80}));
  EXPECT_EQ(Encode(Repeat(0, 254 + 5), 259, 1, false), Bytes({0xFF, 0xFF, 0x00, 0x80}));
  // A literal run that ends the row is written in full.
  EXPECT_EQ(Encode(Bytes({0, 4, 4}), 3, 1, false), Bytes({0x81, 0x02, 4, 4, 0x00, 0x80}));
  EXPECT_EQ(Encode({}, 0, 3, false), Bytes({0x00, 0x00, 0x00, 0x80}));

  // A bottom-up source: rows reached through a negative row step.
  const TBytes stored = Bytes({3, 0, 0, 0, 0, 0, 0, 7, 7, 0});  // bottom row first
  TBytes out;
  EncodeH1Frame(out, stored.data() + 5, -5, 5, 2, false);
  EXPECT_EQ(out, Bytes({0x82, 0x02, 0x07, 0x07, 0x00, 0x01, 0x03, 0x00, 0x80}));
}

TEST(H1Codec, DecoderExamples) {
  EXPECT_EQ(Decode(Bytes({0x82, 0x02, 0x07, 0x07, 0x00, 0x01, 0x03, 0x00, 0x80}), 5, 2, false),
            Bytes({0, 0, 7, 7, 0, 3, 0, 0, 0, 0}));
  EXPECT_EQ(Decode(Bytes({0x82, 0x02, 0x00, 0x01, 0x00, 0x80}), 5, 2, true),
            Bytes({0, 0, 5, 5, 0, 5, 0, 0, 0, 0}));
  EXPECT_EQ(Decode(Bytes({0x82, 0x02, 0x00, 0x01, 0x00, 0x80}), 5, 2, true, true),
            Bytes({0, 0, 5, 5, 0, 5, 0, 0, 0, 0}));
  // The last row's end-of-row code may be missing.
  EXPECT_EQ(Decode(Bytes({0x01, 0x07, 0x00, 0x81, 0x01, 0x08, 0x80}), 2, 2, false),
            Bytes({7, 0, 0, 8}));
  EXPECT_EQ(Decode(Bytes({0x80}), 4, 0, false), TBytes{});

  // Pixels the stream does not write keep what the caller put there.
  TGuardedRaster preset(3, 1, false, 0x33);
  const TBytes stream = Bytes({0x81, 0x01, 0x09, 0x00, 0x80});
  DecodeH1Frame(stream, preset.Frame(), false);
  EXPECT_EQ(preset.Pixels(), Bytes({0x33, 0x09, 0x33}));

  // Row step 0 (a one-row image): the end-of-row code goes back to the start
  // of the same row.
  TBytes row(3, 0);
  const TFrameRaster oneRow{row.data(), 0, 3, 2};
  DecodeH1Frame(Bytes({0x01, 0x07, 0x00, 0x81, 0x02, 0x08, 0x09, 0x00, 0x80}), oneRow, false);
  EXPECT_EQ(row, Bytes({7, 8, 9}));
}

// Malformed streams: nothing outside the frame is written, nothing outside
// the stream is read, and well-formed parts still decode as they should.
TEST(H1Codec, MalformedStreamsAreClipped) {
  // A run past the width is clipped; the next row starts afresh.
  EXPECT_EQ(Decode(Bytes({0x05, 1, 2, 3, 4, 5, 0x00, 0x01, 6, 0x80}), 3, 2, false),
            Bytes({1, 2, 3, 6, 0, 0}));
  EXPECT_EQ(Decode(Bytes({0x82, 0x7F, 0x00, 0x80}), 3, 2, true), Bytes({0, 0, 5, 0, 0, 0}));
  EXPECT_EQ(Decode(Concat({Bytes({0xFF, 0xFF, 0x7F}), Repeat(4, 127), Bytes({0x80})}), 3, 1, false),
            Bytes({0, 0, 0}));
  // Runaway rows: rows beyond Height are dropped.
  EXPECT_EQ(
      Decode(Bytes({0x01, 1, 0x00, 0x01, 2, 0x00, 0x01, 3, 0x00, 0x01, 4, 0x80}), 1, 2, false),
      Bytes({1, 2}));
  EXPECT_EQ(Decode(Concat({Repeat(0x00, 1000), Bytes({0x7F})}), 2, 2, true), Bytes({0, 0, 0, 0}));
  // Truncated inside a literal run: the bytes that are there are copied.
  EXPECT_EQ(Decode(Bytes({0x81, 0x05, 9, 8}), 4, 1, false), Bytes({0, 9, 8, 0}));
  // No end-of-frame code at all.
  EXPECT_EQ(Decode(Bytes({0x01, 7, 0x00, 0x01, 8}), 1, 3, false), Bytes({7, 8, 0}));
  EXPECT_EQ(Decode(Repeat(0x7F, 3000), 50, 3, true), Concat({Repeat(5, 50), Repeat(0, 100)}));
  EXPECT_EQ(Decode({}, 2, 1, false), Bytes({0, 0}));
  // Zero-sized rectangles take no write at all.
  EXPECT_EQ(Decode(Bytes({0x01, 7, 0x00, 0x80}), 0, 1, false), TBytes{});
  EXPECT_EQ(Decode(Bytes({0x01, 7, 0x00, 0x80}), 1, 0, false), TBytes{});
}

TEST(H1Codec, RandomRoundTrips) {
  std::mt19937 random(20240611);
  std::vector<uint8_t> palette;
  for (int i = 1; i < 256; ++i) palette.push_back(uint8_t(i));
  for (int trial = 0; trial < 400; ++trial) {
    const int32_t width = int32_t(random() % 320);
    const int32_t height = int32_t(random() % 24);
    const TBytes source = RandomSprite(random, width, height, palette);
    const bool bottomUp = trial % 2 == 1;
    SCOPED_TRACE(testing::Message() << "trial " << trial << " " << width << "x" << height);

    ExpectRoundTrip(kH1Generation, source, width, height, bottomUp);
  }
}

}  // namespace
