// icnkit thumbnail: the preview frame of each sample scaled by a whole
// factor to fit SIZE (up and down), an indexed PNG with index 0
// transparent; a bad archive fails with exit status 1 and writes nothing.
#include <gtest/gtest.h>

#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

uint32_t BigEndian(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

TEST(ThumbnailCli, FitsSizeByWholeFactors) {
  TTempFolder work;
  struct TCase {
    const char* Sample;
    const char* Size;
    uint32_t Width;
    uint32_t Height;
  };
  // The samples' preview frames: H1 17 x 17, H2 17 x 17 (frame 0).
  const TCase cases[] = {{"sample_h1.icn", "128", 119, 119},
                         {"sample_h2.icn", "64", 51, 51},
                         {"sample_h1.icn", "17", 17, 17},
                         {"sample_h2.icn", "8", 6, 6},
                         {"sample_h1.icn", "1", 1, 1}};
  for (const TCase& test : cases) {
    WriteBytes(work / test.Sample,
               ReadBytes(TestDataPath(std::string("../../examples/") + test.Sample)));
    const TRunResult run = RunProgram(
        "icnkit", {"-q", "thumbnail", "-s", test.Size, test.Sample, "t.png"}, work.Path());
    ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
    const std::vector<uint8_t> png = ReadBytes(work / "t.png");
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(BigEndian(png, 16), test.Width) << test.Sample << " -s " << test.Size;
    EXPECT_EQ(BigEndian(png, 20), test.Height) << test.Sample << " -s " << test.Size;
    EXPECT_EQ(png[24], 8);  // 8 bits a pixel,
    EXPECT_EQ(png[25], 3);  // indexed
  }
}

TEST(ThumbnailCli, BadArchivesWriteNothing) {
  TTempFolder work;
  WriteBytes(work / "text.icn", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'I', 'C', 'N'});
  WriteBytes(work / "empty.icn", {0, 0, 0, 0, 0, 0});
  for (const char* name : {"text.icn", "empty.icn", "missing.icn"}) {
    const TRunResult run = RunProgram("icnkit", {"thumbnail", name, "t.png"}, work.Path());
    EXPECT_EQ(run.ExitCode, 1) << name << ": " << run.Stderr;
    EXPECT_FALSE(FileExists(work / "t.png")) << name;
  }
  EXPECT_EQ(RunProgram("icnkit", {"thumbnail", "-s", "0", "a.icn", "t.png"}, work.Path()).ExitCode,
            2);
}

}  // namespace
