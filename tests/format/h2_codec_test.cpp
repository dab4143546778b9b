#include <gtest/gtest.h>

#include <random>

#include "format/H2Codec.h"
#include "tests/format/FormatTestSupport.h"

using namespace icnkit;

namespace {

TBytes Encode(const TBytes& pixels, int32_t width, int32_t height, bool fillOnly = false) {
  return EncodeRaster(kH2Generation, pixels, width, height, fillOnly);
}

// One row: the row's codes followed by the end-of-row and end-of-frame codes.
TBytes Row(const TBytes& codes) {
  return Concat({codes, Bytes({0x00, 0x80})});
}

TBytes Decode(const TBytes& stream, int32_t width, int32_t height, bool fillOnly = false,
              bool bottomUp = false) {
  return DecodeGuarded(kH2Generation, stream, width, height, fillOnly, bottomUp);
}

TEST(H2Codec, EncoderExamples) {
  EXPECT_EQ(Encode({}, 4, 0), Bytes({0x80}));
  EXPECT_EQ(Encode({}, 0, 3), Bytes({0x00, 0x00, 0x00, 0x80}));
  EXPECT_EQ(Encode(Repeat(0, 63), 63, 1), Row({}));
  EXPECT_EQ(Encode(Repeat(0, 100), 100, 1), Row(Bytes({0xBF})));
  EXPECT_EQ(Encode(Bytes({0, 0, 0, 10, 11, 0, 0, 0, 0, 0}), 10, 1),
            Row(Bytes({0x83, 0x02, 0x0A, 0x0B})));
  EXPECT_EQ(Encode(Concat({Repeat(0, 64), Bytes({10})}), 65, 1),
            Row(Bytes({0xBF, 0x81, 0x01, 0x0A})));
  EXPECT_EQ(Encode(Repeat(0x20, 200), 200, 1),
            Row(Concat({Bytes({0x7F}), Repeat(0x20, 127), Bytes({0x49}), Repeat(0x20, 73)})));
  EXPECT_EQ(Encode(Repeat(5, 3), 3, 1), Row(Bytes({0xC0, 0x83})));
  EXPECT_EQ(Encode(Repeat(5, 4), 4, 1), Row(Bytes({0xC0, 0x80, 0x04})));
  EXPECT_EQ(Encode(Repeat(5, 300), 300, 1), Row(Bytes({0xC0, 0x80, 0xFF, 0xC0, 0x80, 0x2D})));
  EXPECT_EQ(Encode(Repeat(6, 2), 2, 1), Row(Bytes({0xC0, 0xC2})));
  EXPECT_EQ(Encode(Repeat(7, 2), 2, 1), Row(Bytes({0xC0, 0xC6})));
  EXPECT_EQ(Encode(Bytes({4}), 1, 1), Row(Bytes({0xC0, 0x41})));
  EXPECT_EQ(Encode(Bytes({0xFD}), 1, 1), Row(Bytes({0xC0, 0x75})));
  EXPECT_EQ(Encode(Bytes({0xFE}), 1, 1), Row(Bytes({0x01, 0xFE})));
  EXPECT_EQ(Encode(Bytes({5, 6}), 2, 1), Row(Bytes({0xC0, 0x81, 0xC0, 0xC1})));
  // Runs group by class: mixed special values are separate runs, repeated
  // literal indices stay a literal run.
  EXPECT_EQ(Encode(Bytes({4, 3, 3, 0x20, 0x20, 0xFF}), 6, 1),
            Row(Bytes({0xC0, 0x41, 0xC0, 0x46, 0x03, 0x20, 0x20, 0xFF})));
  EXPECT_EQ(Encode(Bytes({10, 5, 0xF6, 0}), 4, 1, true), Row(Bytes({0x03})));
  // Every special value gets its selector base.
  const uint8_t specials[14] = {0x04, 0x03, 0x02, 0x01, 0x08, 0x09, 0xF6,
                                0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD};
  for (int e = 0; e < 14; ++e) {
    EXPECT_EQ(Encode(Repeat(specials[e], 9), 9, 1), Row(Bytes({0xC0, 0x40 + 4 * e, 9}))) << e;
  }
}

TEST(H2Codec, DecoderExamples) {
  const int v = 0x0B;
  EXPECT_EQ(Decode(Bytes({0xC1, 0x00, v, 0xC0, 0x00, 0x00, 0x01, 9, 0x80}), 3, 1),
            Bytes({9, 0, 0}));
  TGuardedRaster preset(4, 1, false, 0x33);
  DecodeH2Frame(Bytes({0xC0, 0x3D, 0x80}), preset.Frame(), false);
  EXPECT_EQ(preset.Pixels(), Bytes({0, 0x33, 0x33, 0x33}));
  EXPECT_EQ(Decode(Bytes({0xC0, 0x7B, 0x80}), 4, 1), Bytes({0xFE, 0xFE, 0xFE, 0}));
  EXPECT_EQ(Decode(Bytes({0xC0, 0x7F, 0x80}), 4, 1), Bytes({0xFF, 0xFF, 0xFF, 0}));
  EXPECT_EQ(Decode(Bytes({0xC0, 0xC3, 0x80}), 4, 1), Bytes({6, 6, 6, 0}));
  EXPECT_EQ(Decode(Bytes({0xC0, 0xC5, 0x80}), 4, 1), Bytes({7, 0, 0, 0}));
  EXPECT_EQ(Decode(Bytes({0xC0, 0xFC, 0x0A, 0x80}), 10, 1), Repeat(7, 10));
  EXPECT_EQ(Decode(Bytes({0xC0, 0x82, 0x80}), 3, 1), Bytes({5, 5, 0}));
  EXPECT_EQ(Decode(Bytes({0xC5, v, 0x80}), 6, 1), Bytes({v, v, v, v, v, 0}));
  EXPECT_EQ(Decode(Bytes({0xC1, 0x0A, v, 0x80}), 10, 1), Repeat(v, 10));
  EXPECT_EQ(Decode(Bytes({0xFF, v, 0x80}), 63, 1), Repeat(v, 63));
  EXPECT_EQ(Decode(Bytes({0x02, 0x81, 0x00, 0x80}), 4, 2, true), Bytes({5, 5, 0, 0, 0, 0, 0, 0}));
  // Special and fill runs decode alike in fill-only frames.
  EXPECT_EQ(Decode(Bytes({0xC0, 0x41, 0xC2, 9, 0x00, 0x01, 0x80}), 3, 2, true),
            Bytes({4, 9, 9, 5, 0, 0}));
  EXPECT_EQ(Decode(Bytes({0xBF, 0x00, 0x01, 0x09, 0x00, 0x80}), 64, 2, false, true),
            Concat({Repeat(0, 64), Bytes({9}), Repeat(0, 63)}));
  // Row step 0: the end-of-row code goes back to the start of the same row.
  TBytes row(3, 0);
  DecodeH2Frame(Bytes({0xC2, 4, 0x00, 0x81, 0xC0, 0x81, 0x80}), TFrameRaster{row.data(), 0, 3, 2},
                false);
  EXPECT_EQ(row, Bytes({4, 5, 0}));
}

TEST(H2Codec, MalformedStreamsAreClipped) {
  // Runs past the width: clipped; huge counts stay inside.
  EXPECT_EQ(Decode(Bytes({0xC1, 0xFF, 3, 0x00, 0xC0, 0xFC, 0xFF, 0x00, 0xFF, 2, 0x80}), 4, 3),
            Bytes({3, 3, 3, 3, 7, 7, 7, 7, 2, 2, 2, 2}));
  EXPECT_EQ(Decode(Concat({Repeat(0xBF, 50), Bytes({0xC1, 0xFF, 1, 0x7F}), Repeat(2, 127)}), 5, 1),
            Repeat(0, 5));
  EXPECT_EQ(Decode(Bytes({0x83, 0x03, 1, 2, 3, 0x80}), 4, 1), Bytes({0, 0, 0, 1}));
  // Runaway rows.
  EXPECT_EQ(Decode(Bytes({0xC2, 1, 0x00, 0xC2, 2, 0x00, 0xC2, 3, 0x00, 0xC2, 4, 0x80}), 2, 2),
            Bytes({1, 1, 2, 2}));
  // Truncated after each kind of code.
  EXPECT_EQ(Decode(Bytes({0xC2, 1, 0xC0}), 3, 1), Bytes({1, 1, 0}));
  EXPECT_EQ(Decode(Bytes({0xC2, 1, 0xC0, 0x80}), 3, 1), Bytes({1, 1, 0}));
  EXPECT_EQ(Decode(Bytes({0xC1, 0x05}), 3, 1), Bytes({0, 0, 0}));
  EXPECT_EQ(Decode(Bytes({0xC5}), 3, 1), Bytes({0, 0, 0}));
  EXPECT_EQ(Decode(Bytes({0x04, 8, 9}), 3, 1), Bytes({8, 9, 0}));
  EXPECT_EQ(Decode(Bytes({0xC0, 0x83, 0x00, 0xC0, 0x83}), 3, 3),
            Bytes({5, 5, 5, 5, 5, 5, 0, 0, 0}));
  EXPECT_EQ(Decode({}, 2, 2), Repeat(0, 4));
  EXPECT_EQ(Decode(Bytes({0xC2, 1, 0x80}), 0, 0), TBytes{});
}

// Palettes for the random frames: every index, and one rich in the indices
// that special runs carry (and the neighbours that must stay literal).
std::vector<uint8_t> AllIndices() {
  std::vector<uint8_t> palette;
  for (int i = 1; i < 256; ++i) palette.push_back(uint8_t(i));
  return palette;
}

std::vector<uint8_t> SpecialRich() {
  return {5,    6,    7,    0x04, 0x03, 0x02, 0x01, 0x08, 0x09, 0xF6, 0xF7, 0xF8, 0xF9,
          0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF, 0x0A, 0xF5, 0x20, 5,    6,    7};
}

TEST(H2Codec, RandomRoundTrips) {
  std::mt19937 random(4711);
  for (int trial = 0; trial < 400; ++trial) {
    const int32_t width = int32_t(random() % 600);
    const int32_t height = int32_t(random() % 20);
    const TBytes source =
        RandomSprite(random, width, height, trial % 2 ? SpecialRich() : AllIndices());
    const bool bottomUp = trial % 3 == 0;
    SCOPED_TRACE(testing::Message() << "trial " << trial << " " << width << "x" << height);

    ExpectRoundTrip(kH2Generation, source, width, height, bottomUp);
  }
}

TEST(H2Codec, FillOnlyFlagIsBit5) {
  EXPECT_TRUE(IsFillOnly(Record(0, 0, 0, 0, 32)));
  EXPECT_TRUE(IsFillOnly(Record(0, 0, 0, 0, 33)));
  EXPECT_TRUE(IsFillOnly(Record(0, 0, 0, 0, 0xFF)));
  EXPECT_FALSE(IsFillOnly(Record(0, 0, 0, 0, 0xDF)));
  EXPECT_FALSE(IsFillOnly(Record(0, 0, 0, 0, 0)));
}

}  // namespace
