// icnkit sheet, pack --sheet, gif and gallery run whole: the samples come
// back byte for byte from their sheets in every layout, a sheet whose image
// no longer matches its JSON fails with exit status 1 and leaves the
// archive alone, the gallery's files are all there and linked, -o names
// a file or a folder, and a GIF keeps within the pixel bound.
#include <gtest/gtest.h>

#include <filesystem>

#include "image/BmpHeader.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/CorruptReplay.h"
#include "tests/TestSupport.h"
#include "tests/sheet/HtmlScan.h"

using namespace icnkit;

namespace {

void CopySamples(const TTempFolder& work) {
  for (const char* name : {"sample_h1.icn", "sample_h2.icn"}) {
    WriteBytes(work / name, ReadBytes(TestDataPath(std::string("../../examples/") + name)));
  }
}

TEST(SheetCli, SheetsOfTheSamplesPackBackByteForByte) {
  TTempFolder work;
  CopySamples(work);
  const std::vector<std::vector<std::string>> layouts = {
      {}, {"--packed", "--padding", "3"}, {"--untrimmed", "--columns", "2"}};
  for (const std::vector<std::string>& layout : layouts) {
    std::vector<std::string> args = {"sheet", "sample_h1.icn", "sample_h2.icn"};
    args.insert(args.end(), layout.begin(), layout.end());
    const TRunResult sheet = RunProgram("icnkit", args, work.Path());
    ASSERT_EQ(sheet.ExitCode, 0) << sheet.Stderr;
    for (const std::string stem : {"sample_h1", "sample_h2"}) {
      const TRunResult pack =
          RunProgram("icnkit", {"pack", "--sheet", stem + ".json", "-o", "back.icn"}, work.Path());
      ASSERT_EQ(pack.ExitCode, 0) << pack.Stderr;
      EXPECT_EQ(ReadBytes(work / "back.icn"), ReadBytes(work / (stem + ".icn"))) << stem;
    }
  }
  // The sheet's image replaced by another sheet's: refused, nothing written.
  WriteBytes(work / "other.icn", ReadBytes(work / "sample_h2.icn"));
  ASSERT_EQ(RunProgram("icnkit", {"sheet", "--packed", "other.icn"}, work.Path()).ExitCode, 0);
  WriteBytes(work / "sample_h2.png", ReadBytes(work / "other.png"));
  const TRunResult wrong =
      RunProgram("icnkit", {"pack", "--sheet", "sample_h2.json", "-o", "wrong.icn"}, work.Path());
  EXPECT_EQ(wrong.ExitCode, 1);
  EXPECT_NE(wrong.Stderr.find("sample_h2.png: the image is "), std::string::npos) << wrong.Stderr;
  EXPECT_FALSE(FileExists(work / "wrong.icn"));
  EXPECT_EQ(RunProgram("icnkit", {"pack"}, work.Path()).ExitCode, 2);
}

TEST(SheetCli, GalleryFilesArePresentAndLinked) {
  TTempFolder work;
  CopySamples(work);
  const TRunResult gif =
      RunProgram("icnkit", {"gif", "--frames", "1-2", "sample_h1.icn"}, work.Path());
  ASSERT_EQ(gif.ExitCode, 0) << gif.Stderr;
  EXPECT_EQ(ReadBytes(work / "sample_h1.gif").size() > 6, true);
  const TRunResult gallery =
      RunProgram("icnkit", {"gallery", "-j", "2", "-o", "site", "."}, work.Path());
  ASSERT_EQ(gallery.ExitCode, 0) << gallery.Stderr;
  const std::string index = ReadText(work / "site/index.html");
  EXPECT_TRUE(FileExists(work / "site/style.css"));
  size_t pages = 0;
  for (const std::string& target : Links(index)) {
    EXPECT_TRUE(FileExists(work / ("site/" + target))) << target;
    if (target.size() > 5 && target.substr(target.size() - 5) == ".html") {
      ++pages;
      const std::string page = ReadText(work / ("site/" + target));
      for (const std::string& link : Links(page)) {
        EXPECT_TRUE(FileExists(work / ("site/a/" + link))) << target << ": " << link;
      }
    }
  }
  EXPECT_EQ(pages, 2u);
  // Each card draws its sprite still (its first frame with pixels), not "empty".
  size_t stills = 0;
  for (size_t at = index.find("class=\"still\""); at != std::string::npos;
       at = index.find("class=\"still\"", at + 1)) {
    ++stills;
  }
  EXPECT_EQ(stills, 2u);
}

// -o ending in the extension of what the command writes names the file, for
// one archive; for several it is a usage error; otherwise it is a folder.
TEST(SheetCli, AnOutputWithTheFilesExtensionNamesTheFile) {
  TTempFolder work;
  CopySamples(work);
  std::filesystem::create_directory(work / "old.gif");  // a folder of that name stays one
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
      {{"gif", "-o", "anim/Hero.GIF", "sample_h1.icn"}, {"anim/Hero.GIF"}},
      {{"gif", "-o", "gifs", "sample_h1.icn", "sample_h2.icn"},
       {"gifs/sample_h1.gif", "gifs/sample_h2.gif"}},
      {{"gif", "-o", "old.gif", "sample_h2.icn"}, {"old.gif/sample_h2.gif"}},
      {{"sheet", "-o", "out/hero.PNG", "sample_h2.icn"}, {"out/hero.PNG", "out/hero.json"}},
      {{"sheet", "-o", "pair.json", "sample_h2.icn"}, {"pair.json", "pair.png"}}};
  for (const auto& [args, files] : cases) {
    EXPECT_EQ(RunProgram("icnkit", args, work.Path()).ExitCode, 0) << args[2];
    for (const std::string& file : files) EXPECT_TRUE(FileExists(work / file)) << file;
  }
  EXPECT_NE(ReadText(work / "out/hero.json").find("\"image\": \"hero.PNG\""), std::string::npos);
  EXPECT_EQ(ReadBytes(work / "anim/Hero.GIF"), ReadBytes(work / "gifs/sample_h1.gif"));
  const TRunResult many = RunProgram("icnkit", {"sheet", "-o", "many.png", "*.icn"}, work.Path());
  EXPECT_EQ(many.ExitCode, 2);
  EXPECT_NE(many.Stderr.find("name a folder"), std::string::npos) << many.Stderr;
  EXPECT_FALSE(FileExists(work / "many.png"));
}

// A GIF's screen is a bitmap: beyond the pixel bound the GIF fails at once,
// exit status 1, its old file kept and nothing else written; the archives
// of tests/data/corrupt/ that are bombs to the unpackers are refused too
// (one 65535 x 65535 frame in 19 bytes kept icnkit gif busy for minutes).
// Within the bound the bytes are those icnkit wrote when GIFs were held
// whole in memory.
TEST(SheetCli, GifsKeepWithinThePixelBound) {
  if (bmp::MaxPixels() != bmp::kDefaultMaxPixels) GTEST_SKIP() << "ICNKIT_MAX_PIXELS is set";
  TTempFolder work;
  CopySamples(work);
  using namespace testdata;
  WriteBytes(work / "big.icn",
             BuildArchive(TIcnGeneration::H2,
                          {{Record(0, 0, 257, 256), EncodeFrame(TIcnGeneration::H2, {}, 0, 0)}}));
  const std::vector<uint8_t> old{1, 2, 3};
  WriteBytes(work / "big.gif", old);
  const TRunResult big = RunProgram("icnkit", {"gif", "--scale", "64", "big.icn"}, work.Path());
  EXPECT_EQ(big.ExitCode, 1);
  EXPECT_NE(big.Stderr.find("icnkit: big.icn: Bitmap too large: 16448 x 16384\n"),
            std::string::npos)
      << big.Stderr;
  EXPECT_EQ(ReadBytes(work / "big.gif"), old);
  EXPECT_EQ(ListNames(work.Path()).size(), 4u);
  const std::map<std::string, std::string> bombs = {
      {"unpack_h1_huge_frame.icn", "Bitmap too large: 65535 x 65535"},
      {"unpack_h2_huge_union.icn", "GIF too large: 65536 x 65536"}};
  ReplayCorruptFiles("unpack_", bombs, [&](const std::string& name, const std::string& outcome) {
    WriteBytes(work / name, ReadBytes(TestDataPath("corrupt/" + name)));
    const TRunResult run = RunProgram("icnkit", {"gif", "-o", "bomb.gif", name}, work.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Stderr.find(name + ": " + outcome + "\n"), std::string::npos) << run.Stderr;
    EXPECT_FALSE(FileExists(work / "bomb.gif"));
  });
  const TRunResult gif = RunProgram(
      "icnkit", {"gif", "--scale", "3", "--delay", "80", "-o", "h2.gif", "sample_h2.icn"},
      work.Path());
  ASSERT_EQ(gif.ExitCode, 0) << gif.Stderr;
  EXPECT_EQ(ReadBytes(work / "h2.gif"),
            ReadBytes(TestDataPath("gif/sample_h2_scale3_delay80.gif")));
}

// ICNKIT_MAX_PIXELS moves the bound of GIFs as of every bitmap (the
// samples' screen is 21 x 44).
TEST(SheetCli, TheEnvironmentVariableMovesTheGifsBound) {
  TTempFolder work;
  CopySamples(work);
  const auto bound = [] { SetEnvironment("ICNKIT_MAX_PIXELS", "3696"); };  // 42 x 88
  EXPECT_EQ(
      RunProgram("icnkit", {"gif", "--scale", "2", "sample_h1.icn"}, work.Path(), bound).ExitCode,
      0);
  const TRunResult run =
      RunProgram("icnkit", {"gif", "--scale", "3", "sample_h2.icn"}, work.Path(), bound);
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Stderr.find("icnkit: sample_h2.icn: Bitmap too large: 63 x 132\n"),
            std::string::npos)
      << run.Stderr;
  EXPECT_FALSE(FileExists(work / "sample_h2.gif"));
}

}  // namespace
