// Hostile files in shared folders: pipes and devices where files are
// expected, links planted at the names the tools write, modes of replaced
// files. Real files, FIFOs and links where only the kernel can show it; the
// in-memory file system where it can.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <tuple>

#include "cli/ToolContext.h"
#include "fs/Files.h"
#include "fs/FindFile.h"
#include "pack/FrameFolderPack.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "tools/PackerCommandLine.h"
#include "tools/UnpackerCommandLine.h"
#include "unpack/FrameFolderExport.h"
#include "unpack/UnpackerGeneration.h"

using namespace icnkit;

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

// Listings skip a pipe quietly; a find of every kind, and so a pack, sees
// it, and the pack fails before anything is written.
TEST(HostileFiles, ListingsSkipPipesAndDevicesPacksRefuseThem) {
  TMemoryFileSystem fs;
  fs.AddFile("/in/a.icn", Bytes("x"));
  fs.AddFolder("/in/sub.icn");
  fs.Others.insert("/in/pipe.icn");
  for (const TFindKinds kinds : {TFindKinds::FilesAndFolders, TFindKinds::All}) {
    TZtFindFile find(fs, "/in/*.icn", kinds);
    std::vector<uint32_t> found;
    while (find.NextMatch(0, 0)) found.push_back(find.Attributes());
    EXPECT_EQ(found,
              (kinds == TFindKinds::All ? std::vector<uint32_t>{kFindFile, kFindOther, kFindFolder}
                                        : std::vector<uint32_t>{kFindFile, kFindFolder}));
  }
  fs.AddFile("/in/a.icn.cadres/0000.bmp", Bytes("x"));
  fs.Others.insert("/in/a.icn.cadres/0001.bmp");
  std::string frame;
  EXPECT_EQ(MessageOf([&] {
              PackFrameFolder(fs, PackerGeneration(TIcnGeneration::H1), "/in/a.icn",
                              "/in/a.icn.cadres/", frame);
            }),
            "Not a regular file: /in/a.icn.cadres/0001.bmp");
  EXPECT_EQ(fs.Calls("BeginReplace"), 0);
}

// Another user's link at a frame folder's name: refused before anything is
// made or written.
TEST(HostileFiles, AFolderLinkOfAnotherUserIsRefusedInMemory) {
  TMemoryFileSystem fs;
  fs.AddFile("/w/y.icn", SmallArchive());
  fs.LinksOfOtherUsers.insert("/w/y.icn.cadres");
  EXPECT_EQ(
      MessageOf([&] { ExportFrameFolder(fs, kDravelGeneration, "/w/y.icn", "/w/y.icn.cadres/"); }),
      "Not following a link owned by another user: /w/y.icn.cadres");
  EXPECT_TRUE(fs.Log.empty());
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

  ASSERT_EQ(::unlink((temp / "a.icn.cadres/setup.ini").c_str()), 0);
  ASSERT_EQ(::mkfifo((temp / "a.icn.cadres/setup.ini").c_str(), 0644), 0);
  run = RunGuarded("morlet", {"a.icn"}, temp.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Morlet: Not a regular file: a.icn.cadres/setup.ini.\n");
  run = RunGuarded("dravel", {"a.icn"}, temp.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Dravel: Unable to write to a.icn.cadres/setup.ini.\na.icn\n");
}

// A frame's name on a pipe or a device (a link to /dev/zero or /dev/urandom)
// fails the pack: skipped, it would move every later frame up by one.
// Nothing waits on the pipe, the old archive stays, no temporary file is
// left; a pipe under a name that is no frame is still skipped.
TEST(HostileFiles, AFrameThatIsNoRegularFileFailsThePack) {
  const std::vector<std::tuple<std::vector<std::string>, std::string, const char*, std::string>>
      cases = {// command, frame, the link's target (null: a FIFO), message
               {{"morlet", "a.icn"},
                "0001.bmp",
                nullptr,
                "Morlet: Not a regular file: a.icn.cadres/0001.bmp.\n"},
               {{"morvix", "a.icn.cadres"},
                "0003.BMP",
                "/dev/zero",
                "Morvix: Not a regular file: a.icn.cadres/0003.BMP.\n"},
               {{"icnkit", "pack", "-g", "h1", "a.icn.cadres"},
                "0002.png",
                "/dev/urandom",
                "icnkit: Not a regular file: a.icn.cadres/0002.png\n"},
               {{"morlet", "a.icn"}, "notes.txt", nullptr, ""}};
  for (const auto& [command, name, device, message] : cases) {
    TTempFolder temp;
    WriteBytes(temp / "a.icn", SmallArchive());
    ASSERT_EQ(RunProgram("dravel", {"a.icn"}, temp.Path()).ExitCode, 0);
    WriteBytes(temp / "a.icn", Bytes("old"));
    const std::string frame = temp / ("a.icn.cadres/" + name);
    ::unlink(frame.c_str());
    ASSERT_EQ(device ? ::symlink(device, frame.c_str()) : ::mkfifo(frame.c_str(), 0644), 0);
    const TRunResult run = RunGuarded(
        command[0], std::vector<std::string>(command.begin() + 1, command.end()), temp.Path());
    EXPECT_EQ(run.Stderr, message);
    EXPECT_EQ(run.ExitCode, message.empty() ? 0 : 1);
    EXPECT_EQ(ListNames(temp.Path()), (std::vector<std::string>{"a.icn", "a.icn.cadres"}));
    EXPECT_EQ(ReadBytes(temp / "a.icn"), message.empty() ? SmallArchive() : Bytes("old"));
  }
}

// Another user's link at the name of a folder the tools write into is not
// followed (the kernel's rule for links in sticky folders): planted in a
// shared folder, it would send the frames into the victim's own folder. The
// user's own links are followed.
TEST(HostileFiles, FolderLinksOfAnotherUserAreNotFollowed) {
  const std::string no = "Not following a link owned by another user: ";
  const std::vector<std::tuple<std::vector<std::string>, std::string, std::string>> cases = {
      {{"dravel", "y.icn"}, "y.icn.cadres", "Dravel: " + no + "y.icn.cadres.\ny.icn\n"},
      {{"dravel", "in"}, "in/Icn Preview", "Dravel: " + no + "in/Icn Preview.\n"},
      {{"dravel", "in", "out"}, "out", "Dravel: " + no + "out.\n"},
      {{"icnkit", "unpack", "-g", "h1", "-o", "out", "y.icn"}, "out", "icnkit: " + no + "out\n"},
      {{"icnkit", "gif", "-g", "h1", "-o", "out", "y.icn"}, "out", "icnkit: " + no + "out\n"},
      {{"icnkit", "gallery", "-g", "h1", "-o", "out", "in"}, "out", "icnkit: " + no + "out\n"}};
  for (const auto& [command, name, message] : cases) {
    TTempFolder temp;
    ASSERT_EQ(::mkdir((temp / "mine").c_str(), 0777) + ::mkdir((temp / "in").c_str(), 0777), 0);
    WriteText(temp / "mine/0000.bmp", "mine");
    WriteBytes(temp / "y.icn", SmallArchive());
    WriteBytes(temp / "in/y.icn", SmallArchive());
    const std::string link = temp / name;
    const std::vector<std::string> args(command.begin() + 1, command.end());
    ASSERT_EQ(::symlink((temp / "mine").c_str(), link.c_str()), 0);
    if (::lchown(link.c_str(), 12345, 12345) != 0) GTEST_SKIP() << "lchown needs root";
    const TRunResult run = RunProgram(command[0], args, temp.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stderr, message);
    EXPECT_EQ(ListNames(temp / "mine"), std::vector<std::string>{"0000.bmp"});
    ASSERT_EQ(::lchown(link.c_str(), ::geteuid(), ::getegid()), 0);  // the user's own
    EXPECT_EQ(RunProgram(command[0], args, temp.Path()).ExitCode, 0);
    EXPECT_GT(ListNames(temp / "mine").size(), 1u);
  }
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
