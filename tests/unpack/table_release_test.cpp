// Unpacking gives the frame table's pages back as it goes (fs/Pages.h): the
// bytes around the pages given back stay, and no frame is drawn from
// records already given back, nor from a table some stream starts in.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "format/Bytes.h"
#include "fs/Pages.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "unpack/FrameFolderExport.h"
#include "unpack/UnpackerGeneration.h"

using namespace icnkit;

namespace {

using testdata::TBytes;

TEST(Pages, OnlyWholePagesInsideAreGivenBack) {
  const size_t page = SystemPageSize();
  ASSERT_EQ(page & (page - 1), 0u);
  std::vector<uint8_t> buffer(5 * page + 100, 0xAB);
  for (const size_t skip : {size_t{0}, size_t{1}, page - 1, page, page + 7}) {
    const std::span<uint8_t> bytes = std::span(buffer).subspan(skip, 3 * page + 3);
    const std::span<uint8_t> pages = WholePages(bytes);
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pages.data()) % page, 0u);
    EXPECT_EQ(pages.size() % page, 0u);
    EXPECT_GE(pages.data(), bytes.data());
    EXPECT_LE(pages.data() + pages.size(), bytes.data() + bytes.size());
    EXPECT_LT(size_t(pages.data() - bytes.data()), page);  // none left out
    EXPECT_LT(size_t(bytes.data() + bytes.size() - (pages.data() + pages.size())), page);

    std::fill(buffer.begin(), buffer.end(), 0xAB);
    ReleasePages(bytes);
    for (size_t i = 0; i < buffer.size(); ++i) {
      const uint8_t* at = buffer.data() + i;
      if (at >= pages.data() && at < pages.data() + pages.size()) continue;
      ASSERT_EQ(buffer[i], 0xAB) << "byte " << i << ", span from " << skip;
    }
  }
  EXPECT_TRUE(WholePages(std::span(buffer).subspan(1, page - 1)).empty());
  ReleasePages(std::span(buffer).subspan(1, page - 1));  // nothing whole: a no-op
  EXPECT_EQ(buffer[1], 0xAB);
}

// Frames of 1 x 1 at (1281, -32768), frame i painted with index
// 1 + i % 250: the H1 stream "one literal pixel, end of row, end of frame".
// 8,000 records are 96 KB of table, past the first pages given back.
constexpr size_t kFrames = 8000;
constexpr int16_t kLeft = 0x0501, kTop = -0x8000;

TBytes ManyTinyFrames() {
  std::vector<testdata::TTestFrame> frames;
  for (size_t i = 0; i < kFrames; ++i) {
    const uint8_t index = static_cast<uint8_t>(1 + i % 250);
    frames.push_back({testdata::Record(kLeft, kTop, 1, 1), {0x01, index, 0x00, 0x80}});
  }
  return testdata::BuildArchive(TIcnGeneration::H1, frames);
}

// The one pixel of an 8-bit bitmap of 1 x 1, where its header says.
uint8_t OnlyPixel(const TBytes& bitmap) {
  return bitmap.at(GetU32(bitmap.data() + 10));
}

// Unpacks archive as /w/a.icn; the bitmaps by name.
std::map<std::string, TBytes> Unpack(const TBytes& archive) {
  TMemoryFileSystem fs;
  fs.AddFile("/w/a.icn", archive);
  fs.AddFile("/opt/icnkit/H1Palette.bmp", ReadBytes(BinPath("H1Palette.bmp")));
  ExportFrameFolder(fs, kDravelGeneration, "/w/a.icn", "/w/a.icn.cadres/");
  std::map<std::string, TBytes> bitmaps;
  for (const auto& [path, bytes] : fs.Files) {
    if (path.ends_with(".bmp") && path.starts_with("/w/a.icn.cadres/")) {
      bitmaps[path.substr(16)] = bytes;
    }
  }
  return bitmaps;
}

TEST(TableRelease, EveryFrameIsDrawnFromItsOwnRecord) {
  const std::map<std::string, TBytes> bitmaps = Unpack(ManyTinyFrames());
  ASSERT_EQ(bitmaps.size(), kFrames);
  size_t i = 0;
  for (const auto& [name, bitmap] : bitmaps) {  // 0000.bmp ... 7999.bmp in order
    ASSERT_EQ(OnlyPixel(bitmap), 1 + i % 250) << name;
    ++i;
  }
}

TEST(TableRelease, ATableAStreamStartsInIsKept) {
  // The last frame's stream is record 1000, 12 KB into the table: its
  // first four bytes, Left 0x0501 and Top 0x8000, read 01 05 00 80, one
  // pixel of index 5.
  TBytes archive = ManyTinyFrames();
  const size_t last = kIcnHeaderSize + (kFrames - 1) * 12;
  PutU32(archive.data() + last + 8, 1000 * 12);  // offsets count from byte 6
  const std::map<std::string, TBytes> bitmaps = Unpack(archive);
  ASSERT_EQ(bitmaps.size(), kFrames);
  EXPECT_EQ(OnlyPixel(bitmaps.at("7999.bmp")), 5);
  EXPECT_EQ(OnlyPixel(bitmaps.at("7998.bmp")), 1 + 7998 % 250);
}

}  // namespace
