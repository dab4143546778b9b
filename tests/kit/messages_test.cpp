// What icnkit says, through the built binary: mistakes named (a misspelt
// subcommand with the nearest one, the help of the subcommand, values in
// any letter case, no placeholder names), a file that is not an archive,
// --frames cut or refused, and the one line that ends each run.
#include <gtest/gtest.h>

#include <filesystem>

#include "testdata/ArchiveBuilder.h"
#include "tests/TestSupport.h"

using namespace icnkit;

using namespace testdata;

namespace {

struct TCase {
  std::vector<std::string> Args;
  int Exit;
  std::string Stderr;  // '/' for the native delimiter
};

// A folder with the two samples as hero.icn (H1) and ball.icn (H2), a text
// file and an archive without frames (both generations fit).
class KitMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(Folder / "hero.icn", ReadBytes(TestDataPath("../../examples/sample_h1.icn")));
    WriteBytes(Folder / "ball.icn", ReadBytes(TestDataPath("../../examples/sample_h2.icn")));
    WriteText(Folder / "notes.txt", "# Notes\nNot an archive at all.\n");
    WriteBytes(Folder / "empty.icn", BuildArchive(TIcnGeneration::H1, {}));
  }
  void Expect(const std::vector<TCase>& cases) {
    for (const TCase& c : cases) {
      const TRunResult run = RunProgram("icnkit", c.Args, Folder.Path());
      EXPECT_EQ(run.ExitCode, c.Exit) << ::testing::PrintToString(c.Args);
      EXPECT_EQ(run.Stderr, NativeSlashes(c.Stderr)) << ::testing::PrintToString(c.Args);
    }
  }
  TTempFolder Folder;
};

const std::string kHelp = "Try 'icnkit --help' for more information.\n";

TEST_F(KitMessages, MistakesAreNamed) {
  Expect({
      {{"unpak", "hero.icn"},
       2,
       "icnkit: unknown subcommand 'unpak'; did you mean 'unpack'?\n" + kHelp},
      {{"-q", "pakc"}, 2, "icnkit: unknown subcommand 'pakc'; did you mean 'pack'?\n" + kHelp},
      {{"frobnicate"}, 2, "icnkit: unknown subcommand 'frobnicate'\n" + kHelp},
      {{"unpack", "--bogus", "hero.icn"},
       2,
       "icnkit: The following argument was not expected: --bogus\n"
       "Try 'icnkit unpack --help' for more information.\n"},
      {{"pack"},
       2,
       "icnkit: a frame folder or --sheet SHEET.json is required\n"
       "Try 'icnkit pack --help' for more information.\n"},
      {{"gallery", "nosuch", "-o", "site"}, 1, "icnkit: No such file or folder: nosuch\n"},
      {{"unpack", "--preview", "nosuch"}, 1, "icnkit: No such file or folder: nosuch\n"},
      {{"gallery", "notes.txt", "-o", "site"},
       2,
       "icnkit: gallery takes folders: notes.txt is a file\n"
       "Try 'icnkit gallery --help' for more information.\n"},
      {{"-q", "-v", "info", "hero.icn"},
       2,
       "icnkit: --quiet excludes --verbose\nTry 'icnkit info --help' for more information.\n"},
      // Values in any letter case.
      {{"-q", "unpack", "--format", "PNG", "-g", "H1", "hero.icn"}, 0, ""},
  });
  EXPECT_TRUE(FileExists(Folder / "hero.icn.cadres/0004.png"));
  EXPECT_FALSE(FileExists(Folder / "site"));
  // A write that fails says why, after the tools' own words.
  std::filesystem::create_directories(Folder / "ball.icn.cadres/setup.ini");
  const TRunResult run = RunProgram("icnkit", {"unpack", "ball.icn"}, Folder.Path());
  EXPECT_EQ(run.ExitCode, 1);
  const std::string said = NativeSlashes("icnkit: Unable to write to ball.icn.cadres/setup.ini. ");
  EXPECT_EQ(run.Stderr.substr(0, said.size()), said);
  EXPECT_GT(run.Stderr.size(), said.size() + 1) << run.Stderr;
}

// Neither generation fits: not an archive. Both fit: -g tells.
TEST_F(KitMessages, AFileOfNeitherGenerationIsNotAnArchive) {
  Expect({
      {{"info", "notes.txt"}, 1, "icnkit: Not an archive: notes.txt\n"},
      {{"unpack", "notes.txt"}, 1, "icnkit: Not an archive: notes.txt\n"},
      {{"gif", "empty.icn"}, 1, "icnkit: cannot tell whether empty.icn is H1 or H2; use -g\n"},
  });
  EXPECT_FALSE(FileExists(Folder / "notes.txt.cadres"));
  WriteBytes(Folder / "one.icn",
             BuildArchive(TIcnGeneration::H1, {SolidFrame(TIcnGeneration::H1, 0, 0, 2, 2, 5)}));
  EXPECT_EQ(RunProgram("icnkit", {"info", "one.icn"}, Folder.Path()).Stdout.substr(0, 50),
            "one.icn: H1, 1 frame, rectangle 2 x 2 at (0, 0)\n f");
  EXPECT_EQ(
      RunProgram("icnkit", {"info", "hero.icn", "ball.icn"}, Folder.Path()).Stdout.substr(0, 14),
      "hero.icn: H1, ");
}

TEST_F(KitMessages, FrameRangesPastTheEndAreCutReversedOnesRefused) {
  Expect({
      {{"gif", "--frames", "0-7", "hero.icn"}, 0, "icnkit: wrote GIF hero.gif (5 frames)\n"},
      {{"-v", "gif", "--frames", "3-7", "-o", "b.gif", "hero.icn"},
       0,
       "icnkit: hero.icn: --frames 3-7 cut to 3-4, the frames there are\n"
       "icnkit: wrote GIF b.gif (2 frames)\n"},
      {{"gif", "--frames", "3-1", "hero.icn"},
       2,
       "icnkit: --frames 3-1: the range is reversed; write 1-3\n"
       "Try 'icnkit gif --help' for more information.\n"},
      {{"gif", "--frames", "5-7", "hero.icn"},
       1,
       "icnkit: hero.icn: --frames 5-7: the archive's frames are 0-4\n"},
  });
}

// One line, unless -q, says what a successful run did and where; info's
// answer is its output, and a failure ends with its error.
TEST_F(KitMessages, ARunEndsWithWhatItDid) {
  std::filesystem::create_directories(Folder / "sprites");
  WriteBytes(Folder / "sprites/a.icn", ReadBytes(Folder / "hero.icn"));
  Expect({
      {{"unpack", "hero.icn"}, 0, "icnkit: unpacked 1 archive, 5 frames into hero.icn.cadres/\n"},
      {{"unpack", "-o", "frames", "hero.icn", "ball.icn"},
       0,
       "icnkit: unpacked 2 archives, 10 frames into frames/\n"},
      {{"unpack", "sprites/*.obj"}, 0, "icnkit: found no archive to unpack\n"},
      {{"info", "--json", "sprites/*.obj"}, 0, ""},
      {{"unpack", "--preview", "sprites"},
       0,
       "icnkit: wrote 1 preview into sprites/Icn Preview/\n"},
      {{"pack", "-o", "copy.icn", "hero.icn.cadres"}, 0, "icnkit: packed 5 frames into copy.icn\n"},
      {{"pack", "frames/hero.icn.cadres", "frames/ball.icn.cadres"},
       0,
       "icnkit: packed 10 frames into 2 archives beside their frame folders\n"},
      {{"sheet", "hero.icn"}, 0, "icnkit: wrote sheet hero.png and hero.json (5 frames)\n"},
      {{"pack", "--sheet", "hero.json", "-o", "sheet.icn"},
       0,
       "icnkit: packed 5 frames into sheet.icn\n"},
      {{"gif", "-o", "gifs", "hero.icn", "ball.icn"},
       0,
       "icnkit: wrote 2 GIFs (10 frames) into gifs/\n"},
      {{"gallery", "sprites", "-o", "site"},
       0,
       "icnkit: wrote the gallery of 1 archive (5 frames): site/index.html\n"},
      {{"palette", "hero.png", "h1.gpl"}, 0, "icnkit: wrote palette h1.gpl (256 colours)\n"},
      {{"info", "hero.icn"}, 0, ""},
      {{"-q", "unpack", "ball.icn"}, 0, ""},
      {{"unpack", "hero.icn", "notes.txt"}, 1, "icnkit: Not an archive: notes.txt\n"},
  });
}

// A raw palette is read as detected, or as --palette-6bit or --palette-8bit
// say (not both); writing a dark one warns that it reads back brighter.
TEST_F(KitMessages, RawPalettesHaveADepth) {
  std::string dark = "GIMP Palette\n";
  for (int i = 0; i < 256; ++i)
    dark += std::to_string(i % 64) + " 0 " + std::to_string(i / 8) + "\n";
  WriteText(Folder / "dark.gpl", dark);
  const std::string kTry = "Try 'icnkit palette --help' for more information.\n";
  Expect({
      {{"palette", "dark.gpl", "dark.raw"},
       0,
       "icnkit: warning: dark.raw: every value is within 0..63, so it reads back as a 6-bit "
       "palette (brighter) unless read with --palette-8bit\n"
       "icnkit: wrote palette dark.raw (256 colours)\n"},
      {{"-q", "palette", "--palette-8bit", "dark.raw", "eight.gpl"}, 0, ""},
      {{"-q", "palette", "dark.gpl", "same.gpl"}, 0, ""},
      {{"-q", "palette", "dark.raw", "six.gpl"}, 0, ""},
      {{"-q", "palette", "--palette-6bit", "dark.raw", "forced.gpl"}, 0, ""},
      {{"palette", "--palette-6bit", "--palette-8bit", "dark.raw", "x.gpl"},
       2,
       "icnkit: --palette-6bit excludes --palette-8bit\n" + kTry},
      {{"unpack", "--palette", "dark.raw", "--palette-8bit", "--palette-6bit", "hero.icn"},
       2,
       "icnkit: --palette-6bit excludes --palette-8bit\n"
       "Try 'icnkit unpack --help' for more information.\n"},
      {{"-q", "unpack", "--format", "png", "--palette", "dark.raw", "--palette-8bit", "hero.icn"},
       0,
       ""},
  });
  EXPECT_EQ(ReadText(Folder / "eight.gpl"), ReadText(Folder / "same.gpl"));
  EXPECT_EQ(ReadText(Folder / "six.gpl"), ReadText(Folder / "forced.gpl"));
  EXPECT_NE(ReadText(Folder / "six.gpl"), ReadText(Folder / "same.gpl"));
  EXPECT_FALSE(FileExists(Folder / "x.gpl"));
}

}  // namespace
