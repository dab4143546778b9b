#include <gtest/gtest.h>

#include "format/H1Codec.h"
#include "fs/Path.h"
#include "tests/format/FormatTestSupport.h"

using namespace icnkit;

namespace {

constexpr auto H1 = TIcnGeneration::H1;

// An archive of one frame of the given height whose stream is `stream`.
TBytes OneFrame(uint16_t height, const TBytes& stream) {
  return BuildArchive(H1, {{Record(0, 0, 4, height), stream}});
}

bool Judge(const TBytes& image, size_t index = 0, const std::string& path = "/x/a.icn") {
  const TBytes copy(image);  // exact size: any read past the end is caught
  return DeduceH1FillOnly(NameOfPath(path), copy, index);
}

TEST(H1FillOnly, ArchiveNames) {
  const TBytes normal = Bytes({0x01, 0x07, 0x00, 0x80});
  const TBytes image =
      BuildArchive(H1, {{Record(0, 0, 1, 1), normal}, {Record(0, 0, 1, 1), normal}});
  for (const char* path : {"font.icn", "FONT.ICN", "/games/data/Font.Icn"}) {
    EXPECT_TRUE(Judge(image, 0, path)) << path;
    EXPECT_TRUE(Judge(image, 1, path)) << path;
  }
  for (const char* path : {"myfont.icn", "/x/font.icn.bak", "font.icnx"}) {
    EXPECT_FALSE(Judge(image, 0, path)) << path;
  }
  for (const char* path : {"x.std", "X.STD", "/dir/y.Std"}) {
    EXPECT_TRUE(Judge(image, 0, path)) << path;
    EXPECT_FALSE(Judge(image, 1, path)) << path;  // scanned
  }
#ifndef _WIN32
  // The name is taken in the native style: on POSIX a backslash is part of
  // the name, so this archive is not named "font.icn".
  EXPECT_FALSE(Judge(image, 0, "C:\\games\\font.icn"));
#endif
}

TEST(H1FillOnly, StreamScan) {
  // Height 0: normal whatever the stream.
  EXPECT_FALSE(Judge(OneFrame(0, Bytes({0x00, 0x00, 0x00, 0x80}))));
  // Height 2, literal runs without a byte 0, short of the region's end: the
  // count of end-of-row codes decides (2 and 1 normal, 0 and 3 fill-only).
  EXPECT_FALSE(Judge(OneFrame(2, Bytes({0x01, 0x07, 0x00, 0x01, 0x07, 0x00, 0x80}))));
  EXPECT_FALSE(Judge(OneFrame(2, Bytes({0x01, 0x07, 0x00, 0x01, 0x07, 0x80}))));
  EXPECT_TRUE(Judge(OneFrame(2, Bytes({0x01, 0x07, 0x01, 0x07, 0x80}))));
  EXPECT_TRUE(Judge(OneFrame(2, Bytes({0x01, 0x07, 0x00, 0x00, 0x00, 0x80}))));
  // A literal run that swallows a byte 0.
  EXPECT_TRUE(Judge(OneFrame(2, Bytes({0x02, 0x07, 0x00, 0x00, 0x00, 0x80}))));
  // A byte 0 anywhere in a literal run of any length (the scan reads runs
  // a word at a time), and none.
  for (const uint8_t n : {1, 3, 7, 8, 9, 15, 16, 17, 33, 127}) {
    for (int zero = -1; zero < n; ++zero) {
      TBytes stream(size_t(n) + 2, 0x07);
      stream.front() = n;
      stream.back() = 0x80;
      if (zero >= 0) stream[size_t(zero) + 1] = 0x00;
      const TBytes wide = BuildArchive(H1, {{Record(0, 0, 127, 1), stream}});
      EXPECT_EQ(Judge(wide), zero >= 0) << int(n) << " " << zero;
    }
  }
  // A fill-only stream that reads as a well-formed normal one.
  EXPECT_FALSE(Judge(OneFrame(1, Bytes({0x02, 0x81, 0x01, 0x00, 0x80}))));
  // A literal run reaching the last byte of the data region: of the last
  // frame (end of file) and of a frame followed by another stream.
  EXPECT_TRUE(Judge(OneFrame(1, Bytes({0x81, 0x01, 0x07}))));
  EXPECT_TRUE(Judge(OneFrame(1, Bytes({0x81, 0x02, 0x07}))));  // and past it
  const TBytes two = BuildArchive(
      H1, {{Record(0, 0, 4, 1), Bytes({0x02, 0x07, 0x07})}, {Record(0, 0, 4, 1), Bytes({0x80})}});
  EXPECT_TRUE(Judge(two, 0));
  EXPECT_FALSE(Judge(two, 1));  // rows = 1: h - 1 end-of-row codes
  // Stopping one byte short of the region's end is fine.
  const TBytes shortOfEnd = BuildArchive(H1, {{Record(0, 0, 4, 1), Bytes({0x01, 0x07, 0x00, 0x80})},
                                              {Record(0, 0, 4, 1), Bytes({0x00, 0x80})}});
  EXPECT_FALSE(Judge(shortOfEnd, 0));
  // Code bytes are not compared with the region's end: a stream without its
  // end-of-frame code is read on into the next frame's stream.
  const TBytes runOn = BuildArchive(
      H1, {{Record(0, 0, 4, 1), Bytes({0x81})}, {Record(0, 0, 4, 1), Bytes({0x00, 0x80})}});
  EXPECT_FALSE(Judge(runOn, 0));
  // The end of the image without an end-of-frame code: fill-only.
  EXPECT_TRUE(Judge(OneFrame(1, Bytes({0x81, 0x00, 0x00}))));
  EXPECT_TRUE(Judge(OneFrame(1, Bytes({0x00}))));
}

TEST(H1FillOnly, EncoderStreamsAreJudgedNormal) {
  // Every normal frame that this system writes reads back as normal.
  std::mt19937 random(77);
  std::vector<uint8_t> palette;
  for (int i = 1; i < 256; ++i) palette.push_back(uint8_t(i));
  const size_t count = 120;
  TIcnArchiveWriter writer(H1, count);
  for (size_t i = 0; i < count; ++i) {
    const int32_t width = int32_t(random() % 200);
    const int32_t height = int32_t(random() % 12);
    const TBytes pixels = RandomSprite(random, width, height, palette);
    writer.BeginFrame(i, Record(0, 0, uint16_t(width), uint16_t(height)));
    EncodeH1Frame(writer.Buffer(), pixels.data(), width, width, height, false);
  }
  const TBytes image = writer.Finish();
  ValidateArchive(image, H1);
  for (size_t i = 0; i < count; ++i) EXPECT_FALSE(Judge(image, i, "/x/sprites.icn")) << i;
}

}  // namespace
