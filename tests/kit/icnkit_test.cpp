// icnkit end to end, through the built binary: GNU command-line behaviour
// and exit statuses, info's table and JSON, unpack and pack against the
// legacy tools byte for byte, -j 4 against -j 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "testdata/ArchiveBuilder.h"
#include "tests/TestSupport.h"

using namespace icnkit;

using namespace testdata;

namespace {

void MakeFolder(const std::string& path) {
  std::filesystem::create_directories(path);
}

TRunResult Kit(const std::vector<std::string>& args, const std::string& folder = {}) {
  return RunProgram("icnkit", args, folder);
}

// Archives of a few shapes, both generations: a normal and a fill-only
// frame, one pixel, an all-transparent frame.
TBytes ShapeArchive(TIcnGeneration generation, int shape) {
  switch (shape % 3) {
    case 0:
      return BuildArchive(
          generation, {SolidFrame(generation, -10, -20, 17, 17, uint8_t(4 + shape)),
                       EncodedFrame(generation, Record(-7, -2, 15, 5, 32), TBytes(75, 1), true)});
    case 1:
      return BuildArchive(generation, {SolidFrame(generation, 3, 4, 1, 1, 200)});
    default:
      return BuildArchive(generation, {SolidFrame(generation, 0, 0, 6, 4, 250),
                                       EncodedFrame(generation, Record(2, 2, 5, 5), TBytes(25, 0)),
                                       SolidFrame(generation, -1, -1, 9, 3, uint8_t(shape))});
  }
}

const char* Name(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? "h1" : "h2";
}

TEST(KitCommandLine, HelpVersionAndUsageErrorsFollowGnuConventions) {
  const TRunResult help = Kit({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_EQ(help.Stderr, "");
  for (const char* command : {"info", "unpack", "pack", "palette"}) {
    EXPECT_NE(help.Stdout.find(std::string("  ") + command), std::string::npos) << command;
  }
  const TRunResult unpackHelp = Kit({"unpack", "--help"});
  EXPECT_EQ(unpackHelp.ExitCode, 0);
  EXPECT_NE(unpackHelp.Stdout.find("Usage: icnkit unpack"), std::string::npos);
  EXPECT_NE(unpackHelp.Stdout.find("--format"), std::string::npos);
  const TRunResult version = Kit({"--version"});
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Stdout, "icnkit 1.3.1\n");

  const std::vector<std::vector<std::string>> mistakes = {
      {},
      {"frobnicate"},
      {"unpack"},
      {"unpack", "--bogus", "a.icn"},
      {"unpack", "--format", "gif", "a.icn"},
      {"unpack", "-g", "h3", "a.icn"},
      {"unpack", "-j", "0", "a.icn"},
      {"info", "--json"},
  };
  for (const std::vector<std::string>& args : mistakes) {
    const TRunResult run = Kit(args);
    EXPECT_EQ(run.ExitCode, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(run.Stdout, "");
    EXPECT_EQ(run.Stderr.rfind("icnkit: ", 0), 0u) << run.Stderr;
  }
}

TEST(KitCommandLine, OptionMistakesFoundAfterParsingAreUsageErrorsToo) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", ShapeArchive(TIcnGeneration::H1, 0));
  WriteBytes(folder / "b.icn", ShapeArchive(TIcnGeneration::H1, 1));
  const TRunResult transparent = Kit({"unpack", "--transparent", "a.icn"}, folder.Path());
  EXPECT_EQ(transparent.ExitCode, 2);
  EXPECT_NE(transparent.Stderr.find("--transparent"), std::string::npos);
  ASSERT_EQ(Kit({"unpack", "a.icn", "b.icn"}, folder.Path()).ExitCode, 0);
  const TRunResult twoOutputs = Kit({"pack", "-o", "x.icn", "a.icn", "b.icn"}, folder.Path());
  EXPECT_EQ(twoOutputs.ExitCode, 2);
  EXPECT_FALSE(FileExists(folder / "x.icn"));
}

TEST(KitCommandLine, FailuresExitOneWithPrefixedMessages) {
  TTempFolder folder;
  const TRunResult missing = Kit({"info", "nosuch.icn"}, folder.Path());
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_EQ(missing.Stderr, "icnkit: No such file or folder: nosuch.icn\n");

  WriteBytes(folder / "empty.icn", BuildArchive(TIcnGeneration::H1, {}));
  const TRunResult undecided = Kit({"unpack", "empty.icn"}, folder.Path());
  EXPECT_EQ(undecided.ExitCode, 1);
  EXPECT_EQ(undecided.Stderr, "icnkit: cannot tell whether empty.icn is H1 or H2; use -g\n");
  EXPECT_FALSE(FileExists(folder / "empty.icn.cadres"));
  EXPECT_EQ(Kit({"unpack", "-g", "h1", "empty.icn"}, folder.Path()).ExitCode, 0);

  WriteBytes(folder / "cut.icn", TBytes{3, 0, 0, 0, 0, 0, 1});
  const TRunResult cut = Kit({"info", "-g", "h2", "cut.icn"}, folder.Path());
  EXPECT_EQ(cut.ExitCode, 1);
  EXPECT_EQ(cut.Stderr,
            "icnkit: cut.icn: Invalid archive: frame table runs past the end of the file\n");
}

TEST(KitInfo, TableAndJsonDescribeEveryFrame) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", ShapeArchive(TIcnGeneration::H2, 0));
  const TRunResult table = Kit({"info", "a.icn"}, folder.Path());
  ASSERT_EQ(table.ExitCode, 0) << table.Stderr;
  EXPECT_EQ(table.Stdout,
            "a.icn: H2, 2 frames, rectangle 18 x 23 at (-10, -20)\n"
            " frame   left    top  width height bits fill     offset     length\n"
            "     0    -10    -20     17     17    0   no         32         72\n"
            "     1     -7     -2     15      5   32  yes        104         11\n");

  WriteBytes(folder / "b.icn", ShapeArchive(TIcnGeneration::H1, 1));
  const TRunResult json = Kit({"info", "--json", "a.icn", "b.icn"}, folder.Path());
  ASSERT_EQ(json.ExitCode, 0) << json.Stderr;
  const nlohmann::json document = nlohmann::json::parse(json.Stdout);
  ASSERT_EQ(document.size(), 2u);
  EXPECT_EQ(document[0]["generation"], "H2");
  EXPECT_EQ(document[0]["frames"][1]["fill_only"], true);
  EXPECT_EQ(document[0]["frames"][1]["bits"], 32);
  EXPECT_EQ(document[1]["file"], "b.icn");
  EXPECT_EQ(document[1]["generation"], "H1");
  EXPECT_EQ(document[1]["frame_count"], 1);
  EXPECT_EQ(document[1]["size"], ReadBytes(folder / "b.icn").size());
  EXPECT_EQ(document[1]["rectangle"],
            nlohmann::json({{"x", 3}, {"y", 4}, {"width", 1}, {"height", 1}}));
  EXPECT_EQ(document[1]["frames"][0]["offset"], 18);
}

// The frame folders of icnkit unpack are the unpackers' files byte for byte;
// setup.ini only gains the Generation key.
TEST(KitUnpack, FrameFoldersAndPreviewsAreTheUnpackersFiles) {
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    TTempFolder legacy;
    TTempFolder kit;
    for (int shape = 0; shape < 3; ++shape) {
      const std::string name = std::to_string(shape) + ".icn";
      WriteBytes(legacy / name, ShapeArchive(generation, shape));
      WriteBytes(kit / name, ShapeArchive(generation, shape));
    }
    const std::string unpacker = generation == TIcnGeneration::H1 ? "dravel" : "dravix";
    ASSERT_EQ(RunProgram(unpacker, {"*.icn"}, legacy.Path()).ExitCode, 0);
    const TRunResult run = Kit({"unpack", "-j", "1", "*.icn"}, kit.Path());
    ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
    EXPECT_EQ(run.Stdout, "");
    EXPECT_EQ(run.Stderr, "icnkit: unpacked 3 archives, 6 frames into frame folders beside them\n");
    auto expected = FilesBelow(legacy.Path());
    auto actual = FilesBelow(kit.Path());
    for (int shape = 0; shape < 3; ++shape) {
      const std::string ini = std::to_string(shape) + ".icn.cadres/setup.ini";
      std::string text(expected[ini].begin(), expected[ini].end());
      const size_t bits = text.find("[Bits]");
      ASSERT_NE(bits, std::string::npos);
      const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
      text.insert(bits, std::string("Generation=") +
                            (generation == TIcnGeneration::H1 ? "H1" : "H2") + eol);
      expected[ini].assign(text.begin(), text.end());
    }
    EXPECT_EQ(actual, expected) << Name(generation);

    ASSERT_EQ(RunProgram(unpacker, {legacy.Path(), legacy / "previews"}).ExitCode, 0);
    ASSERT_EQ(Kit({"unpack", "--preview", "-o", kit / "previews", kit.Path()}).ExitCode, 0);
    EXPECT_EQ(FilesBelow(kit / "previews/"), FilesBelow(legacy / "previews/")) << Name(generation);
  }
}

// icnkit pack gives the packers' archive; the packers ignore the Generation
// key and still give the same archive.
TEST(KitPack, ArchivesAreThePackersAndTheKeyChangesNothingForThem) {
  for (TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    TTempFolder folder;
    const TBytes original = ShapeArchive(generation, 0);
    WriteBytes(folder / "a.icn", original);
    ASSERT_EQ(Kit({"unpack", "a.icn"}, folder.Path()).ExitCode, 0);
    ASSERT_NE(ReadText(folder / "a.icn.cadres/setup.ini").find("Generation="), std::string::npos);
    const std::string packer = generation == TIcnGeneration::H1 ? "morlet" : "morvix";
    ASSERT_EQ(RunProgram(packer, {"a.icn"}, folder.Path()).ExitCode, 0);
    EXPECT_EQ(ReadBytes(folder / "a.icn"), original) << Name(generation);
    const TRunResult pack = Kit({"pack", "-o", "b.icn", "a.icn.cadres"}, folder.Path());
    ASSERT_EQ(pack.ExitCode, 0) << pack.Stderr;
    EXPECT_EQ(ReadBytes(folder / "b.icn"), original) << Name(generation);
    ASSERT_EQ(Kit({"pack", "a.icn"}, folder.Path()).ExitCode, 0);
    EXPECT_EQ(ReadBytes(folder / "a.icn"), original);
  }
}

TEST(KitPack, TheGenerationComesFromTheKeyOrFromG) {
  TTempFolder folder;
  const TBytes original = ShapeArchive(TIcnGeneration::H2, 3);
  WriteBytes(folder / "a.icn", original);
  ASSERT_EQ(RunProgram("dravix", {"a.icn"}, folder.Path()).ExitCode, 0);
  const TRunResult noKey = Kit({"pack", "a.icn"}, folder.Path());
  EXPECT_EQ(noKey.ExitCode, 1);
  EXPECT_EQ(noKey.Stderr,
            NativeSlashes("icnkit: cannot tell whether a.icn.cadres/ is H1 or H2; use -g\n"));
  ASSERT_EQ(Kit({"pack", "-g", "h2", "-o", "b.icn", "a.icn"}, folder.Path()).ExitCode, 0);
  EXPECT_EQ(ReadBytes(folder / "b.icn"), original);
  ASSERT_EQ(Kit({"pack", "-g", "h1", "-o", "c.icn", "a.icn"}, folder.Path()).ExitCode, 0);
  EXPECT_EQ(Kit({"info", "c.icn"}, folder.Path()).Stdout.substr(0, 9), "c.icn: H1");

  WriteText(folder / "a.icn.cadres/0000.png", "not really");
  const TRunResult twice = Kit({"pack", "-g", "h2", "a.icn"}, folder.Path());
  EXPECT_EQ(twice.ExitCode, 1);
  EXPECT_NE(twice.Stderr.find("both 0000.bmp and 0000.png"), std::string::npos) << twice.Stderr;
  EXPECT_EQ(ReadBytes(folder / "a.icn"), original);
}

TEST(KitJobs, FourAtATimeGiveWhatOneAtATimeGives) {
  TTempFolder folder;
  MakeFolder(folder / "in");
  for (int i = 0; i < 12; ++i) {
    const TIcnGeneration generation = i % 2 ? TIcnGeneration::H2 : TIcnGeneration::H1;
    WriteBytes(folder / ("in/" + std::to_string(i) + ".icn"), ShapeArchive(generation, i));
  }
  ASSERT_EQ(Kit({"unpack", "-j", "1", "-o", "one", "in"}, folder.Path()).ExitCode, 0);
  ASSERT_EQ(Kit({"unpack", "-j", "4", "-o", "four", "in"}, folder.Path()).ExitCode, 0);
  const auto one = FilesBelow(folder / "one/");
  EXPECT_EQ(one.size(), 4u * (3 + 2 + 4));  // 2, 1 or 3 frames and setup.ini
  EXPECT_EQ(FilesBelow(folder / "four/"), one);

  // Packed back: what one at a time gives, and the original archive where
  // it round-trips (an all-transparent frame is trimmed to nothing).
  std::vector<std::string> packOne = {"pack", "-j", "1"};
  std::vector<std::string> packFour = {"pack", "-j", "4"};
  for (int i = 0; i < 12; ++i) {
    packOne.push_back("one/" + std::to_string(i) + ".icn.cadres");
    packFour.push_back("four/" + std::to_string(i) + ".icn.cadres");
  }
  ASSERT_EQ(Kit(packOne, folder.Path()).ExitCode, 0);
  ASSERT_EQ(Kit(packFour, folder.Path()).ExitCode, 0);
  for (int i = 0; i < 12; ++i) {
    const std::string name = std::to_string(i) + ".icn";
    EXPECT_EQ(ReadBytes(folder / ("four/" + name)), ReadBytes(folder / ("one/" + name)));
    if (i % 3 != 2) {
      EXPECT_EQ(ReadBytes(folder / ("four/" + name)), ReadBytes(folder / ("in/" + name)));
    }
  }
  const TRunResult info1 = Kit({"info", "-j", "1", "--json", "in"}, folder.Path());
  EXPECT_EQ(Kit({"info", "-j", "4", "--json", "in"}, folder.Path()).Stdout, info1.Stdout);
}

TEST(KitJobs, AFailureStopsNewWorkAndEveryFailureIsReported) {
  TTempFolder folder;
  MakeFolder(folder / "in");
  WriteBytes(folder / "in/1.icn", ShapeArchive(TIcnGeneration::H1, 0));
  WriteBytes(folder / "in/2.icn", TBytes{1, 0, 0, 0, 0, 0, 7});
  WriteBytes(folder / "in/3.icn", ShapeArchive(TIcnGeneration::H1, 1));
  const TRunResult run = Kit({"unpack", "-j", "1", "-g", "h1", "-q", "in"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "icnkit: " + NativeSlashes("in/2.icn") +
                            ": Invalid archive: frame table runs past the end of the file\n");
  EXPECT_TRUE(FileExists(folder / "in/1.icn.cadres/0000.bmp"));
  EXPECT_FALSE(FileExists(folder / "in/3.icn.cadres"));
}

TEST(KitUnpack, TwoArchivesOfOneNameCannotShareAnOutputFolder) {
  TTempFolder folder;
  MakeFolder(folder / "x");
  MakeFolder(folder / "y");
  WriteBytes(folder / "x/a.icn", ShapeArchive(TIcnGeneration::H1, 0));
  WriteBytes(folder / "y/a.icn", ShapeArchive(TIcnGeneration::H1, 1));
  const TRunResult run = Kit({"unpack", "-o", "out", "x/a.icn", "y/a.icn"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Stderr.find("would both unpack into"), std::string::npos) << run.Stderr;
  EXPECT_FALSE(FileExists(folder / "out"));
}

}  // namespace
