// Hostile files in shared folders: pipes and devices where files are
// expected, links planted at the names the tools write, modes of replaced
// files. Real files, FIFOs and links where only the kernel can show it; the
// in-memory file system where it can.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cli/ToolContext.h"
#include "fs/Files.h"
#include "fs/FindFile.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "tools/PackerCommandLine.h"
#include "tools/UnpackerCommandLine.h"
#include "unpack/UnpackerGeneration.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

mode_t ModeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

bool IsLink(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// A small H1 archive of two frames.
std::vector<uint8_t> SmallArchive() {
  using namespace testdata;
  return BuildArchive(TIcnGeneration::H1, {SolidFrame(TIcnGeneration::H1, 0, 0, 4, 3, 7),
                                           SolidFrame(TIcnGeneration::H1, 2, 1, 3, 5, 9)});
}

// A tool run whose hang (a blocking open) ends in SIGALRM instead of never.
TRunResult RunGuarded(const std::string& program, const std::vector<std::string>& args,
                      const std::string& folder) {
  return RunProgram(program, args, folder, [] { ::alarm(60); });
}

// The memory file system with a named pipe listed in /in/.
class TPipeListingFileSystem : public TMemoryFileSystem {
 public:
  TFolderListing ListFolder(const std::string& folder) override {
    TFolderListing entries = TMemoryFileSystem::ListFolder(folder);
    if (FullPath(folder) == "/in/") entries.Add("pipe.icn", TPathKind::Other);
    return entries;
  }
};

TEST(HostileFiles, ListingsSkipPipesAndDevices) {
  TPipeListingFileSystem fs;
  fs.AddFile("/in/a.icn", Bytes("x"));
  fs.AddFolder("/in/sub.icn");
  TZtFindFile find(fs, "/in/*.icn");
  std::vector<std::string> names;
  while (find.NextMatch(0, 0)) names.push_back(find.Name());
  EXPECT_EQ(names, (std::vector<std::string>{"a.icn", "sub.icn"}));
}

TEST(HostileFiles, OnlyRegularFilesAreRead) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  // A device opens without blocking, and was read as an empty file.
  try {
    fs.ReadFile("/dev/null");
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    ADD_FAILURE() << e.what();
  } catch (const TZtError& e) {
    EXPECT_EQ(std::string(e.what()), "Not a regular file: /dev/null");
  }
  EXPECT_EQ(fs.Stat("/dev/null").Kind, TPathKind::Other);

  // FIFOs as the archive, as setup.ini, as a frame, in a preview folder:
  // refused or skipped, never waited on.
  WriteBytes(temp / "a.icn", SmallArchive());
  ASSERT_EQ(::mkfifo((temp / "f.icn").c_str(), 0644), 0);
  TRunResult run = RunGuarded("dravel", {"f.icn"}, temp.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Dravel: Not a regular file: f.icn.\n");
  EXPECT_FALSE(FileExists(temp / "f.icn.cadres"));
  run = RunGuarded("dravel", {"*.icn"}, temp.Path());  // the pipe is skipped
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_TRUE(FileExists(temp / "a.icn.cadres/0001.bmp"));
  run = RunGuarded("dravel", {temp.Path(), temp / "previews"}, {});
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(ListNames(temp / "previews"), std::vector<std::string>{"a.icn.bmp"});

  ASSERT_EQ(::mkfifo((temp / "a.icn.cadres/0002.bmp").c_str(), 0644), 0);
  run = RunGuarded("morlet", {"a.icn"}, temp.Path());  // the pipe frame is skipped
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(ReadBytes(temp / "a.icn"), SmallArchive());

  ASSERT_EQ(::unlink((temp / "a.icn.cadres/setup.ini").c_str()), 0);
  ASSERT_EQ(::mkfifo((temp / "a.icn.cadres/setup.ini").c_str(), 0644), 0);
  run = RunGuarded("morlet", {"a.icn"}, temp.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Morlet: Not a regular file: a.icn.cadres/setup.ini.\n");
  run = RunGuarded("dravel", {"a.icn"}, temp.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Dravel: Unable to write to a.icn.cadres/setup.ini.\na.icn\n");
}

// Another user links x.icn.cadres/setup.ini to the victim's private file;
// the victim unpacks there. The file that takes the link's place keeps the
// protection of what it was read from.
TEST(HostileFiles, PlantedSettingsLinkLeaksNothing) {
  TTempFolder temp;
  WriteText(temp / "private.txt", "[Secret]\nPin=1234\n");
  ASSERT_EQ(::chmod((temp / "private.txt").c_str(), 0600), 0);
  WriteBytes(temp / "x.icn", SmallArchive());
  ASSERT_EQ(::mkdir((temp / "x.icn.cadres").c_str(), 0777), 0);
  ASSERT_EQ(::symlink("../private.txt", (temp / "x.icn.cadres/setup.ini").c_str()), 0);
  const mode_t oldMask = ::umask(022);
  const TRunResult run = RunProgram("dravel", {"x.icn"}, temp.Path());
  ::umask(oldMask);
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_FALSE(IsLink(temp / "x.icn.cadres/setup.ini"));
  EXPECT_EQ(ModeOf(temp / "x.icn.cadres/setup.ini"), mode_t{0600});
  EXPECT_EQ(ReadText(temp / "private.txt"), "[Secret]\nPin=1234\n");
}

TEST(HostileFiles, ReplacedFilesKeepTheirMode) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  const mode_t oldMask = ::umask(027);
  // New files: 0666 & ~umask, whichever way they are made.
  fs.WriteFileAtomic(temp / "new.icn", Bytes("a"), true);
  EXPECT_EQ(ModeOf(temp / "new.icn"), mode_t{0640});
  SaveNewOrReplaceFile(fs, temp / "new.bmp", Bytes("b"));
  EXPECT_EQ(ModeOf(temp / "new.bmp"), mode_t{0640});
  // Replaced files: the bits of the file replaced.
  for (const mode_t mode : {0600, 0644, 0604, 0444}) {
    ASSERT_EQ(::chmod((temp / "new.icn").c_str(), mode), 0);
    fs.WriteFileAtomic(temp / "new.icn", Bytes("c"), false);
    EXPECT_EQ(ModeOf(temp / "new.icn"), mode);
    ASSERT_EQ(::chmod((temp / "new.bmp").c_str(), mode), 0);
    SaveNewOrReplaceFile(fs, temp / "new.bmp", Bytes("d"));
    EXPECT_EQ(ModeOf(temp / "new.bmp"), mode);
  }
  ::umask(oldMask);
  EXPECT_EQ(ReadText(temp / "new.icn"), "c");

  // Repacking a private archive leaves it private.
  WriteBytes(temp / "p.icn", SmallArchive());
  ASSERT_EQ(RunProgram("dravel", {"p.icn"}, temp.Path()).ExitCode, 0);
  ASSERT_EQ(::chmod((temp / "p.icn").c_str(), 0600), 0);
  ASSERT_EQ(::chmod((temp / "p.icn.cadres/0000.bmp").c_str(), 0600), 0);
  ASSERT_EQ(RunProgram("morlet", {"p.icn"}, temp.Path()).ExitCode, 0);
  EXPECT_EQ(ModeOf(temp / "p.icn"), mode_t{0600});
  ASSERT_EQ(RunProgram("dravel", {"p.icn"}, temp.Path()).ExitCode, 0);
  EXPECT_EQ(ModeOf(temp / "p.icn.cadres/0000.bmp"), mode_t{0600});
  EXPECT_EQ(ListNames(temp / "p.icn.cadres").size(), 3u);
}

TEST(HostileFiles, UserNamedArchiveLinksAreFollowed) {
  TTempFolder temp;
  ASSERT_EQ(::mkdir((temp / "real").c_str(), 0777), 0);
  WriteBytes(temp / "real/r.icn", SmallArchive());
  ASSERT_EQ(::chmod((temp / "real/r.icn").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("real/r.icn", (temp / "lnk.icn").c_str()), 0);
  ASSERT_EQ(RunProgram("dravel", {"lnk.icn"}, temp.Path()).ExitCode, 0);
  // A changed frame folder packed through the link: the target is replaced
  // beside itself, the link stays.
  WriteText(temp / "lnk.icn.cadres/setup.ini", "[Position]\nX=3\n");
  const TRunResult run = RunProgram("morlet", {"lnk.icn"}, temp.Path());
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_TRUE(IsLink(temp / "lnk.icn"));
  EXPECT_NE(ReadBytes(temp / "real/r.icn"), SmallArchive());
  EXPECT_EQ(ModeOf(temp / "real/r.icn"), mode_t{0640});
  EXPECT_EQ(ListNames(temp / "real"), std::vector<std::string>{"r.icn"});

  // ResolveLinks: chains, absolute and relative targets, a dangling link,
  // names that are no link.
  TFileSystem& fs = NativeFs();
  ASSERT_EQ(::symlink((temp / "lnk.icn").c_str(), (temp / "real/abs.icn").c_str()), 0);
  ASSERT_EQ(::symlink("gone/n.icn", (temp / "dangling.icn").c_str()), 0);
  EXPECT_EQ(fs.ResolveLinks(temp / "real/abs.icn"), temp / "real/r.icn");
  EXPECT_EQ(fs.ResolveLinks(temp / "dangling.icn"), temp / "gone/n.icn");
  EXPECT_EQ(fs.ResolveLinks(temp / "real/r.icn"), temp / "real/r.icn");
  EXPECT_EQ(fs.ResolveLinks(temp / "missing.icn"), temp / "missing.icn");
}

// The files the tools name themselves are replaced as names: a link there
// is never written through.
TEST(HostileFiles, ToolNamedFilesAreNeverWrittenThroughLinks) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  WriteText(temp / "victim", "someone else's");
  ASSERT_EQ(::mkdir((temp / "work").c_str(), 0777), 0);
  for (const char* name : {"dravel", "H1Palette.bmp", "0000.bmp", "setup.ini"}) {
    ASSERT_EQ(::symlink("../victim", (temp / "work/" + name).c_str()), 0);
  }
  const TRunResult run = RunProgram("dravel", {":copyexe"}, temp / "work");
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_FALSE(IsLink(temp / "work/dravel"));
  EXPECT_EQ(ReadBytes(temp / "work/dravel"), ReadBytes(BinPath("dravel")));
  EXPECT_EQ(ModeOf(temp / "work/dravel"), ModeOf(BinPath("dravel")));
  EXPECT_FALSE(IsLink(temp / "work/H1Palette.bmp"));
  SaveNewOrReplaceFile(fs, temp / "work/0000.bmp", Bytes("frame"));
  fs.WriteFileAtomic(temp / "work/setup.ini", Bytes("[Position]\n"), false);
  EXPECT_EQ(ReadText(temp / "work/0000.bmp"), "frame");
  EXPECT_FALSE(IsLink(temp / "work/setup.ini"));
  EXPECT_EQ(ReadText(temp / "victim"), "someone else's");
  EXPECT_EQ(ListNames(temp / "work"),
            (std::vector<std::string>{"0000.bmp", "H1Palette.bmp", "dravel", "setup.ini"}));
}

}  // namespace
