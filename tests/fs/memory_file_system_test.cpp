// The in-memory file system of the tests (tests/MemoryFileSystem.h): what
// it records, the failures it injects, and paths split as its path style
// splits them.
#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "tests/MemoryFileSystem.h"

using namespace icnkit;

namespace {

const std::vector<uint8_t> kOld{4, 5};

TEST(MemoryFileSystem, RecordsAndInjects) {
  TMemoryFileSystem fs;
  fs.AddFolder("/f");
  EXPECT_TRUE(fs.WriteNewFile("/f/1.bmp", kOld));
  EXPECT_FALSE(fs.WriteNewFile("/f/1.bmp", {}));
  fs.CopyFile("/f/1.bmp", "/f/2.bmp");
  fs.CopyFile("/f/2.bmp", "/f/../f/2.bmp");  // itself: nothing logged
  EXPECT_TRUE(fs.Remove("/f/1.bmp"));
  EXPECT_FALSE(fs.Remove("/f/1.bmp"));
  EXPECT_EQ(fs.Log, (std::vector<std::string>{"create /f/1.bmp", "copy /f/1.bmp /f/2.bmp",
                                              "remove /f/1.bmp"}));
  EXPECT_EQ(fs.Calls("WriteNewFile"), 2);
  // The second call from now fails, and only it.
  fs.FailOn("ReadFile", ENOSPC, 2);
  EXPECT_EQ(fs.ReadFile("/f/2.bmp"), kOld);
  try {
    fs.ReadFile("/f/2.bmp");
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{ENOSPC});
    EXPECT_FALSE(e.Opening);
  }
  EXPECT_EQ(fs.ReadFile("/f/2.bmp"), kOld);
  // Failures for one path only.
  fs.FailOn("BeginReplace", EACCES, 0, "/f/3.bmp", true);
  fs.WriteFileAtomic("/f/4.bmp", kOld, false);
  EXPECT_THROW(fs.WriteFileAtomic("/f/3.bmp", kOld, false), TSystemError);
  EXPECT_EQ(fs.Files.count("/f/3.bmp"), 0u);
  // Failures for everything inside a folder, however deep, and nothing else.
  fs.AddFolder("/ro/sub");
  fs.FailOn("WriteNewFile", EACCES, 0, "/ro/", true);
  EXPECT_THROW(fs.WriteNewFile("/ro/a.bmp", kOld), TSystemError);
  EXPECT_THROW(fs.WriteNewFile("/ro/sub/../sub/a.bmp", kOld), TSystemError);
  EXPECT_TRUE(fs.WriteNewFile("/rob", kOld));
  EXPECT_FALSE(fs.WriteNewFile("/ro", kOld));  // the folder itself: there already
  // Natural failures carry the system's codes.
  try {
    fs.ReadFile("/f/missing");
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{ENOENT});
    EXPECT_TRUE(e.Opening);
  }
  EXPECT_THROW(fs.WriteFileAtomic("/g/x", kOld, false), TSystemError);
  EXPECT_EQ(fs.Stat("/f/4.bmp").Size, 2u);
  EXPECT_EQ(fs.Stat("/f").Kind, TPathKind::Folder);
  EXPECT_EQ(fs.FullPath("/a/./b/../c/"), "/a/c/");
}

// A replacement keeps its pieces (a gap reads as zeros) and puts them in
// place whole on Commit, or nothing when dropped; it cannot be made where a
// native one cannot. Names the fake never counts are refused, not ignored.
TEST(MemoryFileSystem, ReplacementsArePutInPlaceWholeOnCommit) {
  TMemoryFileSystem fs;
  fs.AddFile("/f/a.icn", kOld);
  const auto write = [&fs](bool commit) {
    const auto file = fs.BeginReplace("/f/a.icn", true);
    file->WriteAt(3, std::vector<uint8_t>{7});
    file->WriteAt(0, std::vector<uint8_t>{1, 2});
    EXPECT_EQ(fs.Files.at("/f/a.icn"), kOld);
    if (commit) file->Commit();
  };
  write(false);
  EXPECT_EQ(fs.Files.at("/f/a.icn"), kOld);
  EXPECT_TRUE(fs.Log.empty());
  write(true);
  EXPECT_EQ(fs.Files.at("/f/a.icn"), (std::vector<uint8_t>{1, 2, 0, 7}));
  EXPECT_EQ(fs.Log, std::vector<std::string>{"write /f/a.icn"});
  fs.AddFolder("/f/dir");
  for (const auto& [path, code] : {std::pair{"/f/dir", EISDIR}, std::pair{"/g/a", ENOENT}}) {
    try {
      fs.BeginReplace(path, false);
      ADD_FAILURE() << path;
    } catch (const TSystemError& e) {
      EXPECT_EQ(e.Code, uint32_t(code)) << path;
      EXPECT_TRUE(e.Opening) << path;
    }
  }
  EXPECT_THROW(fs.FailOn("WriteFileAtomic", EIO), std::invalid_argument);
  EXPECT_THROW(fs.Calls("Write"), std::invalid_argument);
}

// Paths split as the file system of the fake's path style splits them:
// Windows at '\' and '/' alike, with drives (the Windows tools add '\' to a
// frame folder's name: a fake splitting at '/' alone found no frames there);
// POSIX at '/' only.
TEST(MemoryFileSystem, SplitsPathsAsItsPathStyleDoes) {
  TMemoryFileSystem windows(TZtPathStyle::Windows());
  windows.AddFile("/w/a.icn.cadres/setup.ini", kOld);
  EXPECT_EQ(windows.ReadFile("\\w\\a.icn.cadres\\setup.ini"), kOld);
  EXPECT_EQ(windows.ReadFile("/w/x\\..\\a.icn.cadres/setup.ini"), kOld);
  const TFolderListing entries = windows.ListFolder("/w/a.icn.cadres\\");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries.Name(0), "setup.ini");
  windows.FailOn("ReadFile", EACCES, 0, "\\w\\a.icn.cadres\\setup.ini");
  EXPECT_THROW(windows.ReadFile("/w/a.icn.cadres/setup.ini"), TSystemError);
  // A drive's path is absolute; a path from the root takes the current
  // folder's drive.
  windows.CurrentFolder = "C:\\work";
  windows.AddFolder("C:\\work\\");
  EXPECT_TRUE(windows.WriteNewFile("a.bmp", kOld));
  EXPECT_EQ(windows.Log, (std::vector<std::string>{"create C:/work/a.bmp"}));
  EXPECT_EQ(windows.FullPath("\\w\\a.icn"), "C:/w/a.icn");
  EXPECT_EQ(windows.FullPath("D:\\x\\..\\y\\"), "D:/y/");
  EXPECT_EQ(windows.FullPath("d:y"), "d:/y");
  const TFolderListing root = windows.ListFolder("C:");
  ASSERT_EQ(root.size(), 1u);
  EXPECT_EQ(root.Name(0), "work");

  TMemoryFileSystem posix(TZtPathStyle::Posix());
  posix.AddFolder("/w");
  EXPECT_TRUE(posix.WriteNewFile("/w/a\\b.bmp", kOld));
  EXPECT_EQ(posix.ListFolder("/w").Name(0), "a\\b.bmp");
  EXPECT_EQ(posix.FullPath("C:\\x"), "/C:\\x");
}

}  // namespace
