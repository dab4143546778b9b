// The whole-file helpers over the in-memory file system, and the fake's
// own recording and failure injection.
#include <gtest/gtest.h>

#include <cerrno>

#include "fs/Files.h"
#include "fs/FindFile.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"

namespace {

const std::vector<uint8_t> kOld{4, 5};

TEST(FsFiles, SaveWholeFileMakesFoldersAndReplaces) {
  TMemoryFileSystem fs;
  fs.CurrentFolder = "/work";
  fs.AddFolder("/work");
  SaveWholeFile(fs, "deep/er/a.icn", std::vector<uint8_t>{1, 2, 3}, true);
  SaveWholeFile(fs, "/work/deep/er/a.icn", kOld);
  EXPECT_EQ(fs.Files.at("/work/deep/er/a.icn"), kOld);
  EXPECT_EQ(fs.Log, (std::vector<std::string>{"folder /work/deep", "folder /work/deep/er",
                                              "write /work/deep/er/a.icn",
                                              "write /work/deep/er/a.icn"}));
  EXPECT_TRUE(IsDirectory(fs, "deep/er"));
  EXPECT_FALSE(IsDirectory(fs, "deep/er/a.icn"));
  std::vector<uint8_t> bytes{9};
  LoadWholeFile(fs, "deep/er/a.icn", bytes);
  EXPECT_EQ(bytes, kOld);
}

TEST(FsFiles, SaveWholeFileMessages) {
  TMemoryFileSystem fs;
  fs.AddFile("/x/a.icn", kOld);
  fs.AddFolder("/x/dir.icn");
  // A folder at the target, and a file where a folder is needed.
  EXPECT_THROW(
      {
        try {
          SaveWholeFile(fs, "/x/./dir.icn", kOld);
        } catch (const TZtError& e) {
          EXPECT_EQ(std::string(e.what()),
                    "Cannot create file \"/x/dir.icn\". " + NativeErrorText(EISDIR));
          throw;
        }
      },
      TZtError);
  try {
    SaveWholeFile(fs, "/x/a.icn/b/c.icn", kOld);
    ADD_FAILURE() << "no error";
  } catch (const TZtError& e) {
    EXPECT_EQ(std::string(e.what()), "Not a folder: /x/a.icn");
  }
  // A refused creation names the file, and so does a later failure.
  fs.FailOn("WriteFileAtomic", EACCES, 1, "", /*opening=*/true);
  fs.FailOn("WriteFileAtomic", ENOSPC, 2);
  for (const int code : {EACCES, ENOSPC}) {
    try {
      SaveWholeFile(fs, "/x/a.icn", std::vector<uint8_t>{1});
      ADD_FAILURE() << "no error";
    } catch (const TZtError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file \"/x/a.icn\". " + NativeErrorText(code));
    }
  }
  EXPECT_EQ(fs.Files.at("/x/a.icn"), kOld);
  EXPECT_TRUE(fs.Log.empty());
}

TEST(FsFiles, SaveNewOrReplaceFileWritesNewFilesInPlace) {
  TMemoryFileSystem fs;
  fs.AddFile("/x/old.bmp", kOld);
  fs.AddFolder("/x/dir.bmp");
  // New: created in place, its folders made first; existing: replaced.
  SaveNewOrReplaceFile(fs, "/x/new.bmp", std::vector<uint8_t>{1});
  SaveNewOrReplaceFile(fs, "/x/deep/er/new.bmp", std::vector<uint8_t>{2});
  SaveNewOrReplaceFile(fs, "/x/old.bmp", std::vector<uint8_t>{3});
  EXPECT_EQ(fs.Log, (std::vector<std::string>{"create /x/new.bmp", "folder /x/deep",
                                              "folder /x/deep/er", "write /x/deep/er/new.bmp",
                                              "write /x/old.bmp"}));
  EXPECT_EQ(fs.Files.at("/x/old.bmp"), std::vector<uint8_t>{3});
  // The messages of SaveWholeFile, situation by situation.
  const auto message = [&fs](const std::string& path) {
    try {
      SaveNewOrReplaceFile(fs, path, std::vector<uint8_t>{1});
    } catch (const TZtError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("/x/./dir.bmp"),
            "Cannot create file \"/x/dir.bmp\". " + NativeErrorText(EISDIR));
  EXPECT_EQ(message("/x/old.bmp/b/c.bmp"), "Not a folder: /x/old.bmp");
  // A read-only folder refuses both ways of creating.
  fs.FailOn("WriteNewFile", EACCES, 0, "/x/ro.bmp", /*opening=*/true);
  fs.FailOn("WriteFileAtomic", EACCES, 0, "/x/ro.bmp", /*opening=*/true);
  EXPECT_EQ(message("/x/ro.bmp"), "Cannot create file \"/x/ro.bmp\". " + NativeErrorText(EACCES));
  // A write that fails after creation (a full disk) names the file too, and
  // nothing is tried after it.
  fs.FailOn("WriteNewFile", ENOSPC, 1);
  const int atomicBefore = fs.Calls("WriteFileAtomic");
  EXPECT_EQ(message("/x/full.bmp"),
            "Cannot create file \"/x/full.bmp\". " + NativeErrorText(ENOSPC));
  EXPECT_EQ(fs.Calls("WriteFileAtomic"), atomicBefore);
  EXPECT_EQ(fs.Files.count("/x/full.bmp"), 0u);
  EXPECT_EQ(fs.Files.count("/x/ro.bmp"), 0u);
  EXPECT_EQ(fs.Log.size(), 5u);
}

TEST(FsFiles, MakeFoldersReportsFailureWithoutThrowing) {
  TMemoryFileSystem fs;
  EXPECT_TRUE(MakeFolders(fs, ""));
  EXPECT_TRUE(MakeFolders(fs, "/a/b/c/"));
  EXPECT_TRUE(MakeFolders(fs, "/a/b/c"));
  EXPECT_EQ(fs.Log, (std::vector<std::string>{"folder /a", "folder /a/b", "folder /a/b/c"}));
  fs.AddFile("/a/file", {});
  EXPECT_FALSE(MakeFolders(fs, "/a/file/sub/"));
  fs.FailOn("MakeFolder", EACCES, 0, "/a/ro");
  EXPECT_FALSE(MakeFolders(fs, "/a/ro/x"));
  EXPECT_EQ(fs.Folders.count("/a/ro"), 0u);
  fs.Executable = "/opt/bin/dravel";
  EXPECT_EQ(ApplicationFolder(fs), "/opt/bin/");
}

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
  fs.FailOn("WriteFileAtomic", EACCES, 0, "/f/3.bmp", true);
  fs.WriteFileAtomic("/f/4.bmp", kOld, false);
  EXPECT_THROW(fs.WriteFileAtomic("/f/3.bmp", kOld, false), TSystemError);
  EXPECT_EQ(fs.Files.count("/f/3.bmp"), 0u);
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

TEST(FindFile, OverAFileSystem) {
  TMemoryFileSystem fs;
  for (const char* name : {"b.icn", "a10.icn", "a9.icn", "Z.ICN", "d.txt"}) {
    fs.AddFile(std::string("/g/") + name, {});
  }
  fs.AddFolder("/g/sub.icn");
  std::vector<std::string> found;
  TZtFindFile find(fs, "/g/*.icn");
  while (find.NextMatch(0, kFindFolder)) found.push_back(find.FullPath());
  EXPECT_EQ(found,
            (std::vector<std::string>{"/g/a9.icn", "/g/a10.icn", "/g/b.icn", "/g/Z.ICN"}));
  TZtFindFile folders(fs, "/g/*");
  ASSERT_TRUE(folders.NextMatch(kFindFolder, 0));
  EXPECT_EQ(folders.Name(), "sub.icn");
  EXPECT_EQ(folders.Attributes(), kFindFolder);
  EXPECT_FALSE(folders.NextMatch(kFindFolder, 0));
  EXPECT_EQ(folders.Attributes(), 0u);
  // The current folder for a bare mask; nothing for a missing folder.
  fs.CurrentFolder = "/g";
  TZtFindFile bare(fs, "*.TXT");
  ASSERT_TRUE(bare.NextMatch(0, 0));
  EXPECT_EQ(bare.FullPath(), "d.txt");
  TZtFindFile missing(fs, "/none/*");
  EXPECT_FALSE(missing.NextMatch(0, 0));
  fs.FailOn("ListFolder", EACCES);
  EXPECT_EQ(MessageOf([&] { TZtFindFile failing(fs, "/g/*.icn"); }),
            "Cannot open folder \"/g/\". " + NativeErrorText(EACCES));
}

}  // namespace
