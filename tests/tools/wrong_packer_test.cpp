// The wrong packer refused: morvix over an H1 archive (morlet over an H2
// one, icnkit pack -g over either) would hand the game an archive of the
// other generation. Refused only when the old archive is told with
// certainty; a missing or undecided one is packed as before.
#include <gtest/gtest.h>

#include <filesystem>

#include "testdata/ArchiveBuilder.h"
#include "tests/TestSupport.h"

using namespace icnkit;

using namespace testdata;

namespace {

struct TCase {
  std::string Sample;  // the archive unpacked as hero.icn
  std::string Unpacker;
  std::string Packer;  // the wrong one
  std::vector<std::string> Args;
  std::string Stderr;
};

TEST(WrongPacker, AnArchiveOfTheOtherGenerationIsNotReplaced) {
  const std::vector<TCase> cases = {
      {"sample_h1.icn",
       "dravel",
       "morvix",
       {"hero.icn.cadres"},
       "Morvix: Not an H2 archive: hero.icn (it is H1; pack it with " +
           ExecutableFileName("Morlet") + ").\n"},
      {"sample_h2.icn",
       "dravix",
       "morlet",
       {"hero.icn"},
       "Morlet: Not an H1 archive: hero.icn (it is H2; pack it with " +
           ExecutableFileName("Morvix") + ").\n"},
      {"sample_h1.icn",
       "dravel",
       "icnkit",
       {"pack", "-g", "h2", "hero.icn"},
       "icnkit: Not an H2 archive: hero.icn (it is H1; pack it with -g h1)\n"},
      {"sample_h2.icn",
       "dravix",
       "icnkit",
       {"pack", "-g", "h1", "-o", "hero.icn", "hero.icn"},
       "icnkit: Not an H1 archive: hero.icn (it is H2; pack it with -g h2)\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Packer + " " + c.Sample);
    TTempFolder folder;
    const TBytes original = ReadBytes(TestDataPath("../../examples/" + c.Sample));
    WriteBytes(folder / "hero.icn", original);
    ASSERT_EQ(RunProgram(c.Unpacker, {"hero.icn"}, folder.Path()).ExitCode, 0);
    const std::string ini = ReadText(folder / "hero.icn.cadres/setup.ini");
    const TRunResult run = RunProgram(c.Packer, c.Args, folder.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stdout, "");
    EXPECT_EQ(run.Stderr, c.Stderr);
    EXPECT_EQ(ReadBytes(folder / "hero.icn"), original);
    EXPECT_EQ(ListNames(folder.Path()), (std::vector<std::string>{"hero.icn", "hero.icn.cadres"}));
    EXPECT_EQ(ReadText(folder / "hero.icn.cadres/setup.ini"), ini);  // no key added
  }
}

// No archive yet, or one both generations fit (no frames): packed as ever.
TEST(WrongPacker, AMissingOrUndecidedArchiveIsPacked) {
  TTempFolder folder;
  WriteBytes(folder / "hero.icn", ReadBytes(TestDataPath("../../examples/sample_h1.icn")));
  ASSERT_EQ(RunProgram("dravel", {"hero.icn"}, folder.Path()).ExitCode, 0);
  WriteBytes(folder / "hero.icn", BuildArchive(TIcnGeneration::H1, {}));
  EXPECT_EQ(RunProgram("morvix", {"hero.icn"}, folder.Path()).ExitCode, 0);
  std::filesystem::remove(folder / "hero.icn");
  EXPECT_EQ(RunProgram("morlet", {"hero.icn"}, folder.Path()).ExitCode, 0);
  EXPECT_EQ(ReadBytes(folder / "hero.icn"),
            ReadBytes(TestDataPath("../../examples/sample_h1.icn")));
}

}  // namespace
