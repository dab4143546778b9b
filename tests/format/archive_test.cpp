#include <gtest/gtest.h>

#include "format/IcnArchive.h"
#include "fs/Files.h"
#include "tests/format/FormatTestSupport.h"

using namespace icnkit;

namespace {

constexpr auto H1 = TIcnGeneration::H1;
constexpr auto H2 = TIcnGeneration::H2;

std::string ValidationMessage(const TBytes& image, TIcnGeneration generation) {
  try {
    ValidateArchive(image, generation);
  } catch (const TZtError& error) {
    return error.what();
  }
  return "";
}

TEST(IcnArchive, ZeroFramesIsTheBareHeader) {
  TIcnArchiveWriter writer(H1, 0);
  const TBytes image = writer.Finish();
  EXPECT_EQ(image, Bytes({0, 0, 0, 0, 0, 0}));
  ValidateArchive(image, H1);
  ValidateArchive(image, H2);
  EXPECT_EQ(FrameCount(image), 0);
}

TEST(IcnArchive, RecordsReadSignedAndUnaligned) {
  // H1 record of Left -1, Top -2, Width 0xFFFF, Height 3, DataOffset 12.
  TBytes h1 =
      Concat({Bytes({1, 0, 13, 0, 0, 0}),
              Bytes({0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 3, 0, 12, 0, 0, 0}), Bytes({0x80})});
  ValidateArchive(h1, H1);
  TIcnFrame r = FrameRecordAt(h1, H1, 0);
  EXPECT_EQ(r.Left, -1);
  EXPECT_EQ(r.Top, -2);
  EXPECT_EQ(r.Width, 65535);
  EXPECT_EQ(r.Height, 3);
  EXPECT_EQ(r.DataOffset, 12u);
  EXPECT_EQ(FrameDataAt(h1, r), 18u);

  // The union rectangle in 32 bits: no wrap beyond 32767; frames without
  // pixels count; no frames, no rectangle.
  const TBytes spread = BuildArchive(H1, {{Record(32000, -32768, 1000, 65535), Bytes({0x80})},
                                          {Record(-5, 40, 0, 0), Bytes({0x80})}});
  const TRectangle bounds = UnionRectangle(spread, H1);
  EXPECT_EQ(bounds, (TRectangle{-5, -32768, 33005, 65535}));
  EXPECT_EQ(bounds.Right(), 33000);
  EXPECT_EQ(bounds.Bottom(), 32767);
  EXPECT_EQ(UnionRectangle(BuildArchive(H2, {}), H2), TRectangle{});

  // H2: records alternate between odd and even file offsets; DataOffset at
  // record offset 9 and Bits at 8 come back for each.
  std::vector<TTestFrame> frames;
  for (int i = 0; i < 5; ++i) {
    frames.push_back(
        {Record(int16_t(-i), int16_t(i), uint16_t(i), 1, uint8_t(33 + i)), Bytes({0x00, 0x80})});
  }
  const TBytes h2 = BuildArchive(H2, frames);
  ValidateArchive(h2, H2);
  ASSERT_EQ(FrameCount(h2), 5);
  for (size_t i = 0; i < 5; ++i) {
    const TIcnFrame record = FrameRecordAt(h2, H2, i);
    EXPECT_EQ(record.Left, -int(i));
    EXPECT_EQ(record.Bits, 33 + i);
    EXPECT_EQ(record.DataOffset, 13 * 5 + 2 * i);
    EXPECT_EQ(FrameStream(h2, record)[0], 0x00);
  }
}

TEST(IcnArchive, DataRegionEnds) {
  // Frame 1 shares frame 0's stream; frame 2 has its own; frame 3 points
  // back at frame 0's; frame 4 is the last.
  std::vector<TTestFrame> frames = {
      {Record(0, 0, 1, 1), Bytes({0x01, 0x07, 0x00, 0x80})},
      {Record(0, 0, 1, 1), {}, 0},
      {Record(0, 0, 1, 1), Bytes({0x00, 0x80})},
      {Record(0, 0, 1, 1), {}, 0},
      {Record(0, 0, 1, 1), Bytes({0x80})},
  };
  const TBytes image = BuildArchive(H1, frames);
  const size_t first = kIcnHeaderSize + 12 * 5;
  EXPECT_EQ(FrameDataEnd(image, H1, 0), image.size());  // next starts at the same place
  EXPECT_EQ(FrameDataEnd(image, H1, 1), first + 4);     // next starts beyond
  EXPECT_EQ(FrameDataEnd(image, H1, 2), image.size());  // next starts earlier
  EXPECT_EQ(FrameDataEnd(image, H1, 3), first + 6);
  EXPECT_EQ(FrameDataEnd(image, H1, 4), image.size());  // last frame
}

TEST(IcnArchive, WriterLaysStreamsAfterTheTable) {
  for (TIcnGeneration generation : {H1, H2}) {
    const size_t r = RecordSize(generation);
    TIcnArchiveWriter writer(generation, 3);
    const TBytes streams[3] = {Bytes({0x01, 0x09, 0x00, 0x80}), Bytes({0x80}),
                               Bytes({0x00, 0x00, 0x80})};
    for (size_t i = 0; i < 3; ++i) {
      TIcnFrame record = Record(int16_t(-5 + int(i)), 7, 1, uint16_t(i), 0x21);
      record.DataOffset = 0xDEADBEEF;  // replaced by the writer
      writer.BeginFrame(i, record);
      writer.Buffer().insert(writer.Buffer().end(), streams[i].begin(), streams[i].end());
    }
    const TBytes image = writer.Finish();
    ASSERT_EQ(image.size(), 6 + 3 * r + 4 + 1 + 3);
    EXPECT_EQ(image[0], 3);
    EXPECT_EQ(image[1], 0);
    const uint32_t dataSize = image[2] | image[3] << 8 | image[4] << 16 | uint32_t(image[5]) << 24;
    EXPECT_EQ(dataSize, image.size() - 6);
    ValidateArchive(image, generation);
    EXPECT_EQ(FrameRecordAt(image, generation, 0).DataOffset, r * 3);
    EXPECT_EQ(FrameRecordAt(image, generation, 1).DataOffset, r * 3 + 4);
    EXPECT_EQ(FrameRecordAt(image, generation, 2).DataOffset, r * 3 + 5);
    const TIcnFrame last = FrameRecordAt(image, generation, 2);
    EXPECT_EQ(last.Left, -3);
    EXPECT_EQ(last.Top, 7);
    EXPECT_EQ(last.Height, 2);
    EXPECT_EQ(last.Bits, generation == H2 ? 0x21 : 0);
    EXPECT_EQ(FrameDataEnd(image, generation, 2), image.size());
  }
  EXPECT_NO_THROW(TIcnArchiveWriter(H1, 65535));
  try {
    TIcnArchiveWriter writer(H2, 65536);
    FAIL();
  } catch (const TZtError& error) {
    EXPECT_STREQ(error.what(), "Too many frames: 65536");
  }
}

TEST(IcnArchive, ValidationMessages) {
  EXPECT_EQ(ValidationMessage({}, H1), "Invalid archive: file shorter than its header");
  EXPECT_EQ(ValidationMessage(Bytes({0, 0, 0, 0, 0}), H2),
            "Invalid archive: file shorter than its header");
  // One H1 record needs 6 + 12 bytes; H2 needs 6 + 13.
  TBytes image = BuildArchive(H1, {{Record(0, 0, 1, 1), Bytes({})}});
  EXPECT_EQ(ValidationMessage(image, H1), "Invalid archive: frame 0 starts outside the file");
  image.push_back(0x80);
  EXPECT_EQ(ValidationMessage(image, H1), "");
  EXPECT_EQ(ValidationMessage(TBytes(image.begin(), image.end() - 2), H1),
            "Invalid archive: frame table runs past the end of the file");
  EXPECT_EQ(ValidationMessage(Bytes({0xFF, 0xFF, 0, 0, 0, 0}), H2),
            "Invalid archive: frame table runs past the end of the file");

  // A huge DataOffset in the third record; DataSize is ignored.
  std::vector<TTestFrame> frames(3, {Record(0, 0, 0, 0), Bytes({0x80})});
  TBytes h2 = BuildArchive(H2, frames);
  h2[2] = 0xFF;  // DataSize wrong: not an error
  EXPECT_EQ(ValidationMessage(h2, H2), "");
  TIcnFrame bad = FrameRecordAt(h2, H2, 2);
  bad.DataOffset = 0xFFFFFFFF;
  TIcnFrameH2::Write(h2.data() + 6 + 2 * 13, bad);
  EXPECT_EQ(ValidationMessage(h2, H2), "Invalid archive: frame 2 starts outside the file");
  // A start exactly at the end of the file leaves no room for the end code.
  bad.DataOffset = uint32_t(h2.size() - 6);
  TIcnFrameH2::Write(h2.data() + 6 + 2 * 13, bad);
  EXPECT_EQ(ValidationMessage(h2, H2), "Invalid archive: frame 2 starts outside the file");
  bad.DataOffset = uint32_t(h2.size() - 7);
  TIcnFrameH2::Write(h2.data() + 6 + 2 * 13, bad);
  EXPECT_EQ(ValidationMessage(h2, H2), "");

  // Reading a record beyond the table never reads outside.
  EXPECT_THROW(FrameRecordAt(h2, H2, 3), TZtError);
  EXPECT_THROW(FrameRecordAt(Bytes({5, 0, 0}), H1, 0), TZtError);
}

}  // namespace
