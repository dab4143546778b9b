// A failed unpack takes back the folders it made and left empty (the frame
// folder, the preview folder, folders above them), with the unpackers and
// icnkit unpack; a folder that was there before stays.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

struct TCase {
  std::string Program;
  std::vector<std::string> Args;
  bool FrameFolderBefore = false;  // broken.icn.cadres/ exists, empty
};

TEST(FailedUnpack, FoldersMadeAndLeftEmptyAreRemoved) {
  const std::vector<TCase> cases = {
      {"dravel", {"broken.icn"}},
      {"dravix", {"broken.icn"}},
      {"dravel", {"broken.icn"}, true},
      {"dravel", {"in"}},
      {"dravix", {"in", "deep/previews"}},
      {"icnkit", {"unpack", "-g", "h1", "broken.icn"}},
      {"icnkit", {"unpack", "-g", "h2", "broken.icn"}, true},
      {"icnkit", {"unpack", "-g", "h2", "-o", "deep/er", "broken.icn", "in/broken.icn"}},
      {"icnkit", {"unpack", "-g", "h1", "-o", "old", "broken.icn"}},
      {"icnkit", {"unpack", "-g", "h1", "--preview", "-o", "deep/p", "in"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Program + " " + ::testing::PrintToString(c.Args));
    TTempFolder folder;
    WriteBytes(folder / "broken.icn", {1, 0, 0});
    std::filesystem::create_directories(folder / "in");
    WriteBytes(folder / "in/broken.icn", {1, 0, 0});
    std::filesystem::create_directories(folder / "old");
    std::vector<std::string> expected = {"broken.icn", "in", "old"};
    if (c.FrameFolderBefore) {
      std::filesystem::create_directories(folder / "broken.icn.cadres");
      expected.insert(expected.begin() + 1, "broken.icn.cadres");
    }
    const TRunResult run = RunProgram(c.Program, c.Args, folder.Path());
    EXPECT_EQ(run.ExitCode, 1) << run.Stderr;
    EXPECT_EQ(ListNames(folder.Path()), expected);
    EXPECT_EQ(ListNames(folder / "in"), std::vector<std::string>{"broken.icn"});
    EXPECT_TRUE(ListNames(folder / "old").empty());
  }
}

}  // namespace
