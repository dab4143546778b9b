// Decompression bombs: files of a few bytes that declare gigabytes of
// pixels. Every bitmap, read or made, is bounded by bmp::MaxPixels() (2^28
// unless ICNKIT_MAX_PIXELS says otherwise) before its storage exists, and an
// uncompressed bitmap must hold the rows it declares.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "cli/Report.h"
#include "fs/Files.h"
#include "image/IndexedImage.h"
#include "testdata/BmpBuilder.h"
#include "tests/CorruptReplay.h"
#include "tests/TestSupport.h"
#include "tests/pack/PackTestSupport.h"
#include "tools/PackerCommandLine.h"
#include "tools/UnpackerCommandLine.h"

using namespace icnkit;

namespace {

using namespace packtest;

std::string LoadMessage(const TBytes& file) {
  TIndexedImage image;
  try {
    image.LoadBmp(file);
  } catch (const TZtError& error) {
    return error.what();
  }
  return "";
}

std::string ReshapeMessage(int32_t width, int32_t height) {
  TIndexedImage image;
  try {
    image.Reshape(width, height);
  } catch (const TZtError& error) {
    return error.what();
  }
  return "";
}

// An RLE8 file of width x height whose codes paint one run and end.
TBytes TinyRle8(int32_t width, int32_t height) {
  TBmpSpec spec;
  spec.Width = width;
  spec.Height = height;
  spec.Compression = kBiRle8;
  spec.ColourTable = GreyColours(256);
  spec.PixelData = {4, 7, 0, 1};
  return MakeBmp(spec);
}

bool DefaultBound() {
  return bmp::MaxPixels() == bmp::kDefaultMaxPixels;
}

TEST(PixelBound, ComesFromTheEnvironmentOnce) {
  EXPECT_EQ(bmp::kDefaultMaxPixels, int64_t{1} << 28);
  EXPECT_EQ(bmp::ParseMaxPixels(nullptr), bmp::kDefaultMaxPixels);
  EXPECT_EQ(bmp::ParseMaxPixels(""), bmp::kDefaultMaxPixels);
  EXPECT_EQ(bmp::ParseMaxPixels("1"), 1);
  EXPECT_EQ(bmp::ParseMaxPixels("4294967296"), int64_t{1} << 32);
  EXPECT_EQ(bmp::ParseMaxPixels("4611686018427387904"), int64_t{1} << 62);
  // Not a decimal number from 1 to 2^62: the default.
  for (const char* text : {"0", "-5", "+5", " 5", "5 ", "1e9", "0x100", "4611686018427387905",
                           "99999999999999999999999"}) {
    EXPECT_EQ(bmp::ParseMaxPixels(text), bmp::kDefaultMaxPixels) << text;
  }
  EXPECT_EQ(bmp::MaxPixels(), bmp::ParseMaxPixels(std::getenv("ICNKIT_MAX_PIXELS")));
}

TEST(PixelBound, BitmapsAndReshapesStopAtTheBound) {
  if (!DefaultBound()) GTEST_SKIP() << "ICNKIT_MAX_PIXELS is set";
  // 16384 x 16384 is 2^28 pixels: allowed (the storage is zero pages that
  // the short codes barely touch); one column more is not.
  TIndexedImage image;
  image.LoadBmp(TinyRle8(16384, 16384));
  EXPECT_EQ(image.Width(), 16384);
  EXPECT_EQ(image.RowAddress(16383)[3], 7);
  EXPECT_EQ(LoadMessage(TinyRle8(16385, 16384)), "Bitmap too large: 16385 x 16384");
  EXPECT_EQ(LoadMessage(TinyRle8(16384, -16385)), "Bitmap too large: 16384 x 16385");
  EXPECT_EQ(ReshapeMessage(16384, 16384), "");
  EXPECT_EQ(ReshapeMessage(16385, 16384), "Bitmap too large: 16385 x 16384");
  EXPECT_EQ(ReshapeMessage(65535, 65535), "Bitmap too large: 65535 x 65535");
  // A deep image counts pixels, not bytes: 2^28 pixels of 32 bits are 1 GiB
  // of rows the file must hold, so the bound is met first.
  TBmpSpec deep;
  deep.Width = 16385;
  deep.Height = 16384;
  deep.BitsPerPixel = 32;
  EXPECT_EQ(LoadMessage(MakeBmp(deep)), "Bitmap too large: 16385 x 16384");
}

TEST(PixelBound, UncompressedFilesMustHoldTheirRows) {
  const TBytes whole = Bmp8(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(LoadMessage(whole), "");
  // Bottom-up files lacking the last byte of their top row, or all rows.
  for (const size_t cut : {size_t{1}, size_t{12}}) {
    const TBytes shorter(whole.begin(), whole.end() - ptrdiff_t(cut));
    EXPECT_EQ(LoadMessage(shorter), "Stream read error") << cut;
  }
  // The same for a core header and a short info header.
  for (const uint32_t infoSize : {12u, 24u}) {
    TBmpSpec spec;
    spec.Width = 3;
    spec.Height = infoSize == 12 ? 3 : -3;
    spec.InfoSize = infoSize;
    spec.ColourTable = GreyColours(4);
    spec.PixelData = BottomUpData({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    TBytes file = MakeBmp(spec);
    EXPECT_EQ(LoadMessage(file), "") << infoSize;
    file.pop_back();
    EXPECT_EQ(LoadMessage(file), "Stream read error") << infoSize;
  }
}

// Copies of the unpack_* archives of tests/data/corrupt/, unpacked in a
// folder of their own: refused before the union rectangle is allocated.
TEST(PixelBound, UnpackersRefuseHugeFramesBeforeAllocating) {
  if (!DefaultBound()) GTEST_SKIP() << "ICNKIT_MAX_PIXELS is set";
  const std::map<std::string, std::string> expected = {
      // One 65535 x 65535 frame in 19 bytes: 4 GiB of union rectangle.
      {"unpack_h1_huge_frame.icn", "Bitmap too large: 65535 x 65535"},
      // Two 1 x 1 frames at opposite corners of the coordinate range.
      {"unpack_h2_huge_union.icn", "Bitmap too large: 65536 x 65536"},
  };
  ReplayCorruptFiles("unpack_", expected, [&](const std::string& name, const std::string& outcome) {
    TTempFolder work;
    const std::string archive = work / name;
    WriteBytes(archive, ReadBytes(TestDataPath("corrupt/" + name)));
    TCapturingReport report;
    TToolContext context{NativeFs(), report};
    const bool h1 = name.find("_h1_") != std::string::npos;
    EXPECT_EQ(RunUnpacker(context, h1 ? kDravelGeneration : kDravixGeneration,
                          {h1 ? "dravel" : "dravix", archive}),
              1);
    ASSERT_EQ(report.Messages.size(), 1u);
    EXPECT_EQ(report.Messages[0].Text, outcome + ".\r\n" + archive);
    // Refused before anything is written: no bitmap, and no setup.ini either.
    EXPECT_FALSE(FileExists(archive + ".cadres/0000.bmp"));
    EXPECT_FALSE(FileExists(archive + ".cadres/setup.ini"));
  });
}

TEST(PixelBound, PackersRefuseBombBitmapsAndKeepTheOldArchive) {
  if (!DefaultBound()) GTEST_SKIP() << "ICNKIT_MAX_PIXELS is set";
  const std::map<std::string, std::string> bombs = {
      {"bmp_rle8_bomb.bmp", "Bitmap too large: 65535 x 65535"},
      {"bmp_rows_bomb.bmp", "Bitmap too large: 65535 x 65535"},
      {"bmp_core_bomb.bmp", "Bitmap too large: 65535 x 65535"},
      {"bmp_truncated_rows.bmp", "Stream read error"},
  };
  for (const auto& [name, message] : bombs) {
    SCOPED_TRACE(name);
    TTempFolder work;
    MakeFolder(work / "a.icn.cadres");
    WriteBytes(work / "a.icn.cadres/0000.bmp", Bmp8(2, 2, {1, 0, 0, 1}));
    const std::string bomb = work / "a.icn.cadres/0001.bmp";
    WriteBytes(bomb, ReadBytes(TestDataPath("corrupt/" + name)));
    WriteBytes(work / "a.icn", {1, 2, 3});
    TCapturingReport report;
    TToolContext context{NativeFs(), report};
    EXPECT_EQ(RunPacker(context, TIcnGeneration::H2, {"morvix", work / "a.icn"}), 1);
    ASSERT_EQ(report.Messages.size(), 1u);
    EXPECT_EQ(report.Messages[0].Text, message + ".\r\n" + NativeSlashes(bomb));
    EXPECT_EQ(ReadBytes(work / "a.icn"), (TBytes{1, 2, 3}));
  }
}

// The tools read ICNKIT_MAX_PIXELS: it lowers the bound and raises it.
TEST(PixelBound, TheEnvironmentVariableMovesTheBound) {
  TTempFolder work;
  MakeFolder(work / "a.icn.cadres");
  WriteBytes(work / "a.icn.cadres/0000.bmp", Bmp8(4, 4, TBytes(16, 1)));
  const auto bound = [](const char* value) {
    return [value] { SetEnvironment("ICNKIT_MAX_PIXELS", value); };
  };
  TRunResult run = RunProgram("morlet", {"a.icn"}, work.Path(), bound("15"));
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Morlet: Bitmap too large: 4 x 4.\na.icn.cadres/0000.bmp\n");
  EXPECT_FALSE(FileExists(work / "a.icn"));
  run = RunProgram("morlet", {"a.icn"}, work.Path(), bound("16"));
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;

  // 16385 x 16384 RLE8, one pixel painted: refused by default, packed with a
  // bound of 2^29.
  WriteBytes(work / "a.icn.cadres/0000.bmp", TinyRle8(16385, 16384));
  run = RunProgram("morlet", {"a.icn"}, work.Path(), bound(""));
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Morlet: Bitmap too large: 16385 x 16384.\na.icn.cadres/0000.bmp\n");
  run = RunProgram("morlet", {"a.icn"}, work.Path(), bound("536870912"));
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
}

}  // namespace
