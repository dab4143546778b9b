// Telling H1 from H2 by the archive's structure (format/Detect.h): every
// shape the archive builder makes, in both generations, is told right; an
// archive that reads both ways or neither way is reported as undecided.
#include "format/Detect.h"

#include <gtest/gtest.h>

#include "format/Generation.h"
#include "testdata/ArchiveBuilder.h"

using namespace icnkit;

using namespace testdata;

namespace {

struct TShape {
  const char* Name;
  std::vector<TTestFrame> (*Frames)(TIcnGeneration generation);
};

TBytes Ramp(size_t count) {
  TBytes pixels(count);
  for (size_t i = 0; i < count; ++i) pixels[i] = static_cast<uint8_t>(i * 7 % 256);
  return pixels;
}

const TShape kShapes[] = {
    {"single solid frame",
     [](TIcnGeneration g) { return std::vector{SolidFrame(g, -3, -4, 5, 6, 9)}; }},
    {"single one-pixel frame",
     [](TIcnGeneration g) { return std::vector{SolidFrame(g, 0, 0, 1, 1, 200)}; }},
    {"single fill-only frame",
     [](TIcnGeneration g) {
       return std::vector{EncodedFrame(g, Record(1, 2, 4, 3, 32), TBytes(12, 7), true)};
     }},
    {"normal then fill-only",
     [](TIcnGeneration g) {
       return std::vector{SolidFrame(g, -10, -20, 17, 17, 4),
                          EncodedFrame(g, Record(-7, -2, 15, 5, 32), TBytes(75, 1), true)};
     }},
    {"every index in a ramp",
     [](TIcnGeneration g) { return std::vector{EncodedFrame(g, Record(0, 0, 64, 8), Ramp(512))}; }},
    {"runs of the special values",
     [](TIcnGeneration g) {
       TBytes pixels;
       for (uint8_t v : {1, 2, 3, 4, 5, 6, 7, 8, 9, 246, 250, 253, 254, 255}) {
         pixels.insert(pixels.end(), 20, v);
       }
       return std::vector{EncodedFrame(g, Record(0, 0, 40, 7), pixels)};
     }},
    {"empty and zero-sized frames",
     [](TIcnGeneration g) {
       return std::vector{EncodedFrame(g, Record(0, 0, 0, 0), {}),
                          EncodedFrame(g, Record(5, 5, 3, 0), {}), SolidFrame(g, 1, 1, 3, 3, 12)};
     }},
    {"transparent frame",
     [](TIcnGeneration g) {
       return std::vector{EncodedFrame(g, Record(0, 0, 9, 9), TBytes(81, 0))};
     }},
    {"shared streams",
     [](TIcnGeneration g) {
       std::vector frames{SolidFrame(g, 0, 0, 6, 6, 30), SolidFrame(g, 2, 2, 4, 4, 31)};
       frames.push_back({Record(0, 0, 6, 6), {}, 0});
       frames.push_back({Record(1, 1, 6, 6), {}, 1});
       return frames;
     }},
    {"many frames",
     [](TIcnGeneration g) {
       std::vector<TTestFrame> frames;
       for (int i = 0; i < 300; ++i) {
         frames.push_back(SolidFrame(g, int16_t(i - 150), int16_t(-i), uint16_t(1 + i % 13),
                                     uint16_t(1 + i % 7), uint8_t(i)));
       }
       return frames;
     }},
    {"wide frame",
     [](TIcnGeneration g) {
       return std::vector{EncodedFrame(g, Record(0, 0, 1000, 2), Ramp(2000))};
     }},
};

TEST(DetectGeneration, TellsEveryBuiltShapeOfBothGenerations) {
  for (const TShape& shape : kShapes) {
    for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
      const TBytes archive = BuildArchive(generation, shape.Frames(generation));
      const TGenerationFit fit = FitGenerations(archive);
      const bool h1 = generation == TIcnGeneration::H1;
      EXPECT_EQ(fit.H1, h1) << shape.Name << (h1 ? " (H1)" : " (H2)");
      EXPECT_EQ(fit.H2, !h1) << shape.Name << (h1 ? " (H1)" : " (H2)");
      EXPECT_EQ(DetectIcnGeneration(archive), generation) << shape.Name;
    }
  }
}

TEST(DetectGeneration, AnArchiveWithoutFramesFitsBothAndIsUndecided) {
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    const TBytes archive = BuildArchive(generation, {});
    const TGenerationFit fit = FitGenerations(archive);
    EXPECT_TRUE(fit.H1 && fit.H2);
    EXPECT_EQ(DetectIcnGeneration(archive), std::nullopt);
  }
}

// Two frames whose tables and streams read as H1 and as H2 alike: H1 frame 1
// and H2 frame 0 start right after their tables (24 and 26), and every
// stream reaches its end code.
TBytes ArchiveOfBothGenerations() {
  TBytes bytes(65543, 0);
  PutU16(bytes, 0, 2);
  PutU32(bytes, 2, uint32_t(bytes.size() - 6));
  bytes[10] = 1;  // frame 0: 1 x 1 in both readings
  bytes[12] = 1;
  bytes[15] = 26;  // H1 frame 0 at 26 x 256, H2 frame 0 at 26
  bytes[22] = 1;   // H1 frame 1: 1 x 1 at 24
  bytes[24] = 1;
  bytes[26] = 24;
  bytes[30] = 1;  // H1 frame 1: a literal pixel (H2 frame 1 at 65536)
  bytes[33] = 0x80;
  bytes[6 + 26 * 256] = 0x80;
  bytes[6 + 65536] = 0x80;
  return bytes;
}

TEST(DetectGeneration, AnArchiveReadingBothWaysIsUndecided) {
  const TBytes archive = ArchiveOfBothGenerations();
  const TGenerationFit fit = FitGenerations(archive);
  EXPECT_TRUE(fit.H1);
  EXPECT_TRUE(fit.H2);
  EXPECT_EQ(DetectIcnGeneration(archive), std::nullopt);
}

TEST(DetectGeneration, DamagedArchivesFitNeither) {
  const TBytes good = BuildArchive(TIcnGeneration::H2, kShapes[3].Frames(TIcnGeneration::H2));
  // Cut inside the table, cut before a stream's end code, the first stream
  // moved away from the table, no end code at all.
  TBytes cutTable(good.begin(), good.begin() + 20);
  TBytes cutStream(good.begin(), good.end() - 1);
  TBytes moved = good;
  PutU32(moved, 6 + 9, 27);
  TBytes endless = BuildArchive(TIcnGeneration::H1, {{Record(0, 0, 2, 2), TBytes{0x00, 0x00}}});
  for (const TBytes* archive : {&cutTable, &cutStream, &moved, &endless}) {
    const TGenerationFit fit = FitGenerations(*archive);
    EXPECT_FALSE(fit.H1);
    EXPECT_FALSE(fit.H2);
    EXPECT_EQ(DetectIcnGeneration(*archive), std::nullopt);
  }
  EXPECT_FALSE(FitGenerations(TBytes{1, 0, 0}).H1);
  EXPECT_FALSE(FitGenerations(TBytes{}).H2);
}

TEST(DetectGeneration, StreamLengthCountsToTheEndCodeWithinTheLimit) {
  const TBytes stream{0x02, 0x05, 0x06, 0x00, 0x80, 0x99};
  EXPECT_EQ(StreamLength(stream, kH1CodeTable, 0, 100, false), 5u);
  // Fill-only: the literal carries no indices, so 0x05 0x06 are codes, and
  // 0x80 ends the frame at the same place.
  EXPECT_EQ(StreamLength(stream, kH1CodeTable, 0, 100, true), 5u);
  EXPECT_EQ(StreamLength(stream, kH1CodeTable, 0, 4, false), std::nullopt);
  EXPECT_EQ(StreamLength(stream, kH1CodeTable, 6, 100, false), std::nullopt);
  // H2: 0xC0 with a selector whose low bits are 0 takes a count byte; 0xC1
  // two bytes; 0xC2.. one (here the first 0x80). Read as H1, 0x40 is a
  // literal of 64 indices that are not there.
  const TBytes h2{0xC0, 0x40, 0x09, 0xC1, 0x03, 0x07, 0xC5, 0x80, 0x80};
  EXPECT_EQ(StreamLength(h2, kH2CodeTable, 0, 100, false), 9u);
  EXPECT_EQ(StreamLength(h2, kH1CodeTable, 0, 100, false), std::nullopt);
  const TBytes cut{0xC1, 0x03};
  EXPECT_EQ(StreamLength(cut, kH2CodeTable, 0, 100, false), std::nullopt);
}

}  // namespace
