// The real reason, and the file: failures report the error of the call that
// failed and name the file it concerns; folders are made however deep the
// current folder lies, and a file where a folder should be is "Not a
// folder".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "cli/ToolContext.h"
#include "fs/Files.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "tools/PackerCommandLine.h"
#include "tools/UnpackerCommandLine.h"
#include "unpack/UnpackerGeneration.h"

using namespace icnkit;

namespace {

std::vector<uint8_t> Archive() {
  using namespace testdata;
  return BuildArchive(TIcnGeneration::H1, {SolidFrame(TIcnGeneration::H1, 1, 2, 5, 4, 3)});
}

// Packs archive (its frame folder beside it) on fs; the final message.
std::string PackMessage(TFileSystem& fs, const std::string& archive) {
  TCapturingReport report;
  TToolContext context{fs, report};
  const int status = RunPacker(context, TIcnGeneration::H1, {"Morlet", archive});
  if (report.Messages.size() != 1) return "messages: " + std::to_string(report.Messages.size());
  return std::to_string(status) + " " + report.Messages[0].Text;
}

// A folder with a.icn and its unpacked a.icn.cadres.
void MakeUnpacked(const TTempFolder& temp) {
  WriteBytes(temp / "a.icn", Archive());
  TCapturingReport report;
  TToolContext context{NativeFs(), report};
  ASSERT_EQ(RunUnpacker(context, kDravelGeneration, {"Dravel", temp / "a.icn"}), 0);
}

// The same in /w/ of a memory file system.
void MakeUnpacked(TMemoryFileSystem& fs) {
  fs.AddFile("/w/a.icn", Archive());
  fs.AddFile("/opt/icnkit/H1Palette.bmp", ReadBytes(BinPath("H1Palette.bmp")));
  TCapturingReport report;
  TToolContext context{fs, report};
  ASSERT_EQ(RunUnpacker(context, kDravelGeneration, {"Dravel", "/w/a.icn"}), 0);
}

TEST(FsReasons, SettingsThatCannotBeReadAreNamed) {
  TMemoryFileSystem unreadable;
  MakeUnpacked(unreadable);
  unreadable.FailOn("ReadFile", EACCES, 0, "/w/a.icn.cadres/setup.ini", /*opening=*/true);
  EXPECT_EQ(PackMessage(unreadable, "/w/a.icn"),
            "1 Cannot open file \"/w/a.icn.cadres/setup.ini\". " + NativeErrorText(EACCES) + ".");
  TTempFolder temp;
  MakeUnpacked(temp);
  const std::string settings = temp / "a.icn.cadres/setup.ini";
  ASSERT_EQ(::unlink(settings.c_str()), 0);
  ASSERT_EQ(::mkdir(settings.c_str(), 0777), 0);
  EXPECT_EQ(PackMessage(NativeFs(), temp / "a.icn"),
            "1 Cannot open file \"" + settings + "\". " + NativeErrorText(EISDIR) + ".");
  EXPECT_EQ(ReadBytes(temp / "a.icn"), Archive());
}

// A full disk, a read-only file system (injected: root writes anywhere)
// while the archive is written: the archive is named, with the reason.
TEST(FsReasons, ArchiveFailuresNameTheArchive) {
  for (const uint32_t code : {uint32_t{ENOSPC}, uint32_t{EROFS}, uint32_t{EIO}}) {
    for (const bool opening : {false, true}) {
      TMemoryFileSystem failing;
      MakeUnpacked(failing);
      const auto before = failing.Files;
      failing.FailOn(opening ? "BeginReplace" : "Commit", code, 0, "/w/a.icn", opening);
      EXPECT_EQ(PackMessage(failing, "/w/a.icn"),
                "1 Cannot create file \"/w/a.icn\". " + NativeErrorText(code) + ".");
      EXPECT_EQ(failing.Files, before);
    }
  }
}

TEST(FsReasons, TemporaryNamesAreNeverFollowed) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  // Dangling links planted at the first temporary names: passed over, not
  // followed, not removed.
  const std::string target = temp / "a.icn";
  std::vector<std::string> expected{"a.icn"};
  for (int n = 0; n < 3; ++n) {
    const std::string name =
        "a.icn." + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp";
    ASSERT_EQ(::symlink((temp / "planted" + std::to_string(n)).c_str(), (temp / name).c_str()), 0);
    expected.push_back(name);
  }
  fs.WriteFileAtomic(target, std::vector<uint8_t>{1, 2}, true);
  EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{1, 2}));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ListNames(temp.Path()), expected);
  // The error of the failing creation, not of a later look at the name.
  WriteBytes(temp / "file", {1});
  try {
    fs.WriteFileAtomic(temp / "file/a.icn", std::vector<uint8_t>{1}, false);
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{ENOTDIR});
    EXPECT_TRUE(e.Opening);
  }
}

TEST(FsReasons, AFileWhereAFolderShouldBe) {
  TMemoryFileSystem fs;
  fs.AddFile("/x/a.icn", {1});
  for (const char* path : {"/x/a.icn/c.bmp", "/x/a.icn/b/c.bmp"}) {
    try {
      SaveNewOrReplaceFile(fs, path, std::vector<uint8_t>{1});
      ADD_FAILURE() << "no error";
    } catch (const TZtError& e) {
      EXPECT_EQ(std::string(e.what()), "Not a folder: /x/a.icn");
    }
  }
  EXPECT_TRUE(fs.Log.empty());

  // The preview folder of an unpack is a file.
  TTempFolder temp;
  ASSERT_EQ(::mkdir((temp / "in").c_str(), 0777), 0);
  WriteBytes(temp / "in/a.icn", Archive());
  WriteText(temp / "out", "a file");
  const TRunResult run = RunProgram("dravel", {"in", "out"}, temp.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr,
            "Dravel: Not a folder: " + NativeFs().FullPath(temp / "out") + ".\nin/a.icn\n");
  EXPECT_EQ(ReadText(temp / "out"), "a file");
}

// The current folder for a test: changed step by step, restored on the way
// out.
class TCurrentFolder {
 public:
  TCurrentFolder() : Saved_(::open(".", O_RDONLY | O_DIRECTORY)) {}
  ~TCurrentFolder() {
    if (Saved_ >= 0 && ::fchdir(Saved_) == 0) ::close(Saved_);
  }

 private:
  int Saved_;
};

// A folder whose full path (over 5000 bytes) is longer than the system
// takes in one path, reached by a relative path: unpacking, previews and
// packing work there.
TEST(FsReasons, DeepFoldersReachedRelatively) {
  TTempFolder temp;
  const std::string part(200, 'd');
  constexpr int kDepth = 25;
  {
    TCurrentFolder keep;
    ASSERT_EQ(::chdir(temp.Path().c_str()), 0);
    for (int i = 0; i < kDepth; ++i) {
      ASSERT_EQ(::mkdir(part.c_str(), 0777), 0);
      ASSERT_EQ(::chdir(part.c_str()), 0);
    }
    ASSERT_GT(NativeFs().FullPath("x").size(), 5000u);
    EXPECT_TRUE(MakeFolders(NativeFs(), "made/deeper/"));
    EXPECT_TRUE(IsDirectory(NativeFs(), "made/deeper"));
    SaveWholeFile(NativeFs(), "saved/a.icn", Archive());
    EXPECT_EQ(ReadBytes("saved/a.icn"), Archive());
    TRunResult run = RunProgram("dravel", {"saved/a.icn"});
    EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
    EXPECT_TRUE(FileExists("saved/a.icn.cadres/0000.bmp"));
    run = RunProgram("dravel", {"saved", "previews/h1"});
    EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
    EXPECT_TRUE(FileExists("previews/h1/a.icn.bmp"));
    run = RunProgram("morlet", {"saved/a.icn"});
    EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
    EXPECT_EQ(ReadBytes("saved/a.icn"), Archive());
    // Emptied from inside: the test folder's removal takes full paths.
    for (const char* file : {"saved/a.icn", "saved/a.icn.cadres/0000.bmp",
                             "saved/a.icn.cadres/setup.ini", "previews/h1/a.icn.bmp"}) {
      EXPECT_EQ(::unlink(file), 0) << file;
    }
    for (const char* folder :
         {"made/deeper", "made", "saved/a.icn.cadres", "saved", "previews/h1", "previews"}) {
      EXPECT_EQ(::rmdir(folder), 0) << folder;
    }
    for (int i = 0; i < kDepth; ++i) {
      ASSERT_EQ(::chdir(".."), 0);
      ASSERT_EQ(::rmdir(part.c_str()), 0);
    }
  }
  EXPECT_TRUE(ListNames(temp.Path()).empty());
}

}  // namespace
