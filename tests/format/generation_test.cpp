// The generations' descriptions, their constant code tables and the shared
// decode and encode loops; the format's byte and text helpers.
#include "format/Generation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "format/Bytes.h"
#include "format/Text.h"
#include "tests/format/FormatTestSupport.h"

using namespace icnkit;

namespace {

// The tables are data fixed at compile time: nothing to prepare, nothing
// to forget.
static_assert(kH1CodeTable.NormalClasses[0] == kClassTransparent);
static_assert(kH1CodeTable.RunLimit[kClassTransparent] == 127);
static_assert(kH2CodeTable.RunLimit[kClassTransparent] == 63);
static_assert(kH2CodeTable.NormalClasses[5] == 2 && kH2CodeTable.FillOnlyClasses[5] == 0);
static_assert(kH2CodeTable.NormalClasses[0xFE] == kClassLiteral);
static_assert(kH2CodeTable.Codes[0xC2].Kind == TCodeKind::ShortFill);
static_assert(kH1CodeTable.Codes[0xC2].Kind == TCodeKind::Skip);

TBytes Encode(const TIcnGenerationInfo& generation, const TBytes& pixels, int32_t width,
              int32_t height, bool fillOnly) {
  TBytes out;
  generation.Encode(out, pixels.data(), width, width, height, fillOnly);
  return out;
}

TEST(FormatGeneration, CodecsNeedNoPreparation) {
  // Shadow 5 x2, shadow 7, table value 0x04, then transparent to the end.
  const TBytes row = Bytes({0, 5, 5, 7, 0x04, 0});
  EXPECT_EQ(Encode(kH2Generation, row, 6, 1, true), Bytes({0x81, 0x04, 0x00, 0x80}));
  EXPECT_EQ(Encode(kH2Generation, row, 6, 1, false),
            Bytes({0x81, 0xC0, 0x82, 0xC0, 0xC5, 0xC0, 0x41, 0x00, 0x80}));
  EXPECT_EQ(Encode(kH1Generation, row, 6, 1, false), Bytes({0x81, 0x04, 5, 5, 7, 4, 0x00, 0x80}));
}

TEST(FormatGeneration, DescriptionsOfBothGenerations) {
  EXPECT_EQ(&GenerationInfo(TIcnGeneration::H1), &kH1Generation);
  EXPECT_EQ(&GenerationInfo(TIcnGeneration::H2), &kH2Generation);
  EXPECT_EQ(kH1Generation.RecordSize, 12u);
  EXPECT_EQ(kH2Generation.RecordSize, 13u);
  EXPECT_FALSE(kH1Generation.StoresBits);
  EXPECT_TRUE(kH2Generation.StoresBits);

  TIcnFrame record;
  record.Left = -2;
  record.Top = 300;
  record.Width = 0x1234;
  record.Height = 7;
  record.Bits = 0x21;
  record.DataOffset = 0x01020304;
  TBytes h1(12), h2(13);
  kH1Generation.WriteRecord(h1.data(), record);
  kH2Generation.WriteRecord(h2.data(), record);
  EXPECT_EQ(h1, Bytes({0xFE, 0xFF, 0x2C, 0x01, 0x34, 0x12, 7, 0, 4, 3, 2, 1}));
  EXPECT_EQ(h2, Bytes({0xFE, 0xFF, 0x2C, 0x01, 0x34, 0x12, 7, 0, 0x21, 4, 3, 2, 1}));
  EXPECT_EQ(kH1Generation.ReadRecord(h1.data()).Bits, 0);
  EXPECT_EQ(kH2Generation.ReadRecord(h2.data()).Bits, 0x21);
  EXPECT_EQ(kH2Generation.ReadRecord(h2.data()).DataOffset, 0x01020304u);

  // setup.ini "Bits": H1 the flag alone, H2 the record's whole byte.
  EXPECT_EQ(kH1Generation.BitsValue(true, record), kFillOnlyBit);
  EXPECT_EQ(kH1Generation.BitsValue(false, record), 0);
  EXPECT_EQ(kH2Generation.BitsValue(true, record), 0x21);
  // H2 reads the flag from the record; H1 from the name (and the stream).
  // One 1 x 1 frame whose stream (a literal pixel) follows the table.
  const TBytes archive =
      Concat({Bytes({1, 0, 0, 0, 0, 0}), Bytes({0, 0, 0, 0, 1, 0, 1, 0, 12, 0, 0, 0}),
              Bytes({0x01, 0x09, 0x00, 0x80})});
  ValidateArchive(archive, TIcnGeneration::H1);
  record.Bits = 0x20;
  EXPECT_TRUE(kH2Generation.FillOnly("any.icn", {}, 0, record));
  record.Bits = 0xDF;
  EXPECT_FALSE(kH2Generation.FillOnly("font.icn", {}, 0, record));
  EXPECT_TRUE(kH1Generation.FillOnly("FONT.ICN", archive, 0, record));
  EXPECT_FALSE(kH1Generation.FillOnly("a.icn", archive, 0, record));
}

// Random frames of every kind of run through the shared loops: decode gives
// the pixels back, encoding them again gives the same bytes, and every
// prefix of the stream (the end of the data inside any code) writes only
// inside the frame and only pixels of the full decode.
TEST(FormatGeneration, SharedLoopsRoundTripAndStopAtEveryPrefix) {
  std::mt19937 random(2024);
  const uint8_t values[] = {0, 0, 0, 5, 6, 7, 0x04, 0xF6, 0xFE, 0xFF, 17, 200};
  for (const TIcnGenerationInfo* generation : {&kH1Generation, &kH2Generation}) {
    for (int round = 0; round < 20; ++round) {
      const int32_t width = 1 + int32_t(random() % 300), height = 1 + int32_t(random() % 3);
      TBytes pixels(size_t(width) * height);
      for (size_t i = 0; i < pixels.size();) {
        const uint8_t value = values[random() % std::size(values)];
        for (size_t n = 1 + random() % 140; n > 0 && i < pixels.size(); --n) pixels[i++] = value;
      }
      const bool fillOnly = round % 4 == 3;
      const TBytes stream = Encode(*generation, pixels, width, height, fillOnly);
      TGuardedRaster full(width, height);
      generation->Decode(stream, full.Frame(), fillOnly);
      const TBytes decoded = full.Pixels();
      if (!fillOnly) {
        ASSERT_EQ(decoded, pixels);
        ASSERT_EQ(Encode(*generation, decoded, width, height, false), stream);
      }
      for (size_t k = 0; k < stream.size(); ++k) {
        const TBytes prefix(stream.begin(), stream.begin() + ptrdiff_t(k));
        TGuardedRaster part(width, height, false, 0xAB);
        generation->Decode(prefix, part.Frame(), fillOnly);
        ASSERT_TRUE(part.Guarded()) << k;
        const TBytes got = part.Pixels();
        for (size_t i = 0; i < got.size(); ++i) {
          ASSERT_TRUE(got[i] == 0xAB || got[i] == decoded[i]) << "prefix " << k << " pixel " << i;
        }
      }
    }
  }
}

// Short runs near the right edge, in the part of the stream decoded without
// bounds checks (more than 127 bytes follow): a run is clipped to the
// frame, and the pixels after it that a skip passes over keep what the
// raster held. Literal runs (both generations) and H2 short fills.
TEST(FormatGeneration, ShortRunsKeepSkippedPixelsAndStayInTheFrame) {
  for (const TIcnGenerationInfo* generation : {&kH1Generation, &kH2Generation}) {
    for (const bool fill : {false, true}) {
      if (fill && generation == &kH1Generation) continue;
      for (int32_t width = 1; width <= 40; ++width) {
        for (int32_t x0 = 0; x0 <= width; ++x0) {
          for (int32_t n = fill ? 2 : 1; n <= 17; ++n) {
            TBytes stream;
            if (x0 > 0) stream.push_back(uint8_t(0x80 + x0));
            if (fill) {
              stream.insert(stream.end(), {uint8_t(0xC0 + n), 0x42});
            } else {
              stream.push_back(uint8_t(n));
              for (int32_t i = 0; i < n; ++i) stream.push_back(uint8_t(0x10 + i));
            }
            stream.insert(stream.end(), {0x83, 0x01, 0x77, 0x00, 0x80});
            stream.resize(stream.size() + 200, 0x05);
            TGuardedRaster raster(width, 1, false, 0xAB);
            generation->Decode(stream, raster.Frame(), false);
            TBytes expected(size_t(width), 0xAB);
            for (int32_t x = x0; x < std::min(x0 + n, width); ++x) {
              expected[size_t(x)] = fill ? 0x42 : uint8_t(0x10 + x - x0);
            }
            if (x0 + n + 3 < width) expected[size_t(x0 + n + 3)] = 0x77;
            ASSERT_TRUE(raster.Guarded()) << width << " " << x0 << " " << n;
            ASSERT_EQ(raster.Pixels(), expected) << width << " " << x0 << " " << n;
          }
        }
      }
    }
  }
}

TEST(FormatHelpers, LittleEndianAndAsciiLower) {
  uint8_t bytes[6] = {};
  PutU16(bytes, 0xBEEF);
  PutU32(bytes + 2, 0x80000001u);
  EXPECT_EQ(TBytes(bytes, bytes + 6), Bytes({0xEF, 0xBE, 0x01, 0, 0, 0x80}));
  EXPECT_EQ(GetU16(bytes), 0xBEEF);
  EXPECT_EQ(GetU32(bytes + 2), 0x80000001u);
  EXPECT_EQ(AsciiLower("Font.ICN \xC3\x84Z@[`{"), "font.icn \xC3\x84z@[`{");
}

}  // namespace
