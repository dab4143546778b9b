// The POSIX file system on real temporary folders.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "fs/FileSystem.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "image/BmpFile.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// A file-size limit in this process: a write beyond limit bytes fails with
// EFBIG (the signal it would raise is ignored), as a full disk would.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &Previous_);
    PreviousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit reduced = Previous_;
    reduced.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &reduced);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &Previous_);
    std::signal(SIGXFSZ, PreviousHandler_);
  }

 private:
  rlimit Previous_;
  void (*PreviousHandler_)(int);
};

mode_t ModeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST(PosixFileSystem, WriteFileAtomicReplacesWholeOrNotAtAll) {
  TTempFolder temp;
  const auto fs = MakeNativeFileSystem();
  const std::string target = temp / "a.icn";
  fs->WriteFileAtomic(target, Bytes("first"), false);
  fs->WriteFileAtomic(target, Bytes("second"), true);
  EXPECT_EQ(ReadText(target), "second");
  fs->WriteFileAtomic(target, {}, false);
  EXPECT_EQ(ReadText(target), "");
  fs->WriteFileAtomic(target, Bytes("kept"), false);

  // A write that fails halfway leaves the old file and no temporary file.
  {
    TFileSizeLimit limit(10);
    try {
      fs->WriteFileAtomic(target, std::vector<uint8_t>(100, 7), true);
      ADD_FAILURE() << "no error";
    } catch (const TSystemError& e) {
      EXPECT_EQ(e.Code, uint32_t{EFBIG});
      EXPECT_FALSE(e.Opening);
      EXPECT_EQ(std::string(e.what()),
                "System Error.  Code: " + std::to_string(EFBIG) + ".\r\n" + std::strerror(EFBIG));
    }
  }
  EXPECT_EQ(ReadText(target), "kept");
  EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"a.icn"});
}

// An archive written in pieces: each at its offset (a gap reads as zeros),
// in place only when committed, and nothing left when dropped.
TEST(PosixFileSystem, BeginReplaceWritesPiecesAndCommitsOrLeavesNothing) {
  TTempFolder temp;
  const auto fs = MakeNativeFileSystem();
  const std::string target = temp / "a.icn";
  fs->WriteFileAtomic(target, Bytes("old"), false);
  ::chmod(target.c_str(), 0640);
  {
    const auto file = fs->BeginReplace(target, true);
    file->WriteAt(6, Bytes("tail"));
    file->WriteAt(0, Bytes("ab"));
    EXPECT_EQ(ReadText(target), "old");
  }
  EXPECT_EQ(ReadText(target), "old");
  EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"a.icn"});

  const auto file = fs->BeginReplace(target, true);
  file->WriteAt(6, Bytes("tail"));
  file->WriteAt(0, Bytes("ab"));
  file->Commit();
  EXPECT_EQ(ReadText(target), std::string("ab\0\0\0\0tail", 10));
  EXPECT_EQ(ModeOf(target), 0640u);
  EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"a.icn"});
}

// Bitmaps: a new one is created in place (no temporary file, nothing left
// under its name by a failure), an existing one is replaced whole or not at
// all; every failure names the bitmap. (The calls each takes:
// FsFiles.SaveNewOrReplaceFileWritesNewFilesInPlace.)
TEST(PosixFileSystem, BitmapsAreCreatedInPlaceOrReplacedWhole) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  const std::string frame = temp / "0000.bmp";
  const std::string next = temp / "0001.bmp";
  WriteBmpFile(fs, frame, Bytes("first"));
  EXPECT_EQ(ReadText(frame), "first");
  {
    TFileSizeLimit limit(10);
    for (const std::string& path : {frame, next}) {
      EXPECT_EQ(MessageOf([&] { WriteBmpFile(fs, path, std::vector<uint8_t>(100, 7)); }),
                "Cannot create file \"" + path + "\". " + NativeErrorText(EFBIG));
    }
  }
  EXPECT_EQ(ReadText(frame), "first");
  EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"0000.bmp"});
  WriteBmpFile(fs, frame, Bytes("second"));
  EXPECT_EQ(ReadText(frame), "second");
  // A folder at the bitmap's name.
  ASSERT_EQ(::mkdir((temp / "dir.bmp").c_str(), 0777), 0);
  try {
    WriteBmpFile(fs, temp / "dir.bmp", Bytes("x"));
    ADD_FAILURE() << "no error";
  } catch (const TZtError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" +
                                         NativeFs().FullPath(temp / "dir.bmp") + "\". " +
                                         NativeErrorText(EISDIR));
  }
  EXPECT_EQ(ListNames(temp.Path()), (std::vector<std::string>{"0000.bmp", "dir.bmp"}));
}

TEST(PosixFileSystem, WriteFileAtomicNamesAndRefusals) {
  TTempFolder temp;
  const auto fs = MakeNativeFileSystem();
  // A leftover with the first temporary name is neither used nor removed.
  const std::string target = temp / "b.icn";
  const std::string leftover = target + "." + std::to_string(::getpid()) + "-0.tmp";
  WriteText(leftover, "other run");
  fs->WriteFileAtomic(target, Bytes("new"), false);
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_EQ(ReadText(leftover), "other run");
  EXPECT_EQ(ListNames(temp.Path()), (std::vector<std::string>{"b.icn", NameOfPath(leftover)}));

  // A folder at the target is a failure to create, with the system's code.
  ASSERT_EQ(::mkdir((temp / "dir.icn").c_str(), 0777), 0);
  try {
    fs->WriteFileAtomic(temp / "dir.icn", Bytes("x"), false);
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{EISDIR});
    EXPECT_TRUE(e.Opening);
    EXPECT_EQ(e.Text, NativeErrorText(EISDIR));
  }
  // So is a missing folder: the create error's code, not a later probe's.
  try {
    fs->WriteFileAtomic(temp / "file/x.icn", Bytes("x"), false);
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{ENOENT});
    EXPECT_TRUE(e.Opening);
  }
  EXPECT_EQ(ListNames(temp / "dir.icn"), std::vector<std::string>{});
}

TEST(PosixFileSystem, WriteNewFileNeverReplaces) {
  TTempFolder temp;
  const auto fs = MakeNativeFileSystem();
  EXPECT_TRUE(fs->WriteNewFile(temp / "n.bmp", Bytes("one")));
  EXPECT_FALSE(fs->WriteNewFile(temp / "n.bmp", Bytes("two")));
  EXPECT_EQ(ReadText(temp / "n.bmp"), "one");
  ASSERT_EQ(::mkdir((temp / "d").c_str(), 0777), 0);
  EXPECT_FALSE(fs->WriteNewFile(temp / "d", Bytes("x")));
  {
    TFileSizeLimit limit(10);
    EXPECT_THROW(fs->WriteNewFile(temp / "big.bmp", std::vector<uint8_t>(100, 1)), TSystemError);
  }
  EXPECT_FALSE(FileExists(temp / "big.bmp"));  // removed again
  try {
    fs->WriteNewFile(temp / "missing/n.bmp", Bytes("x"));
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{ENOENT});
    EXPECT_TRUE(e.Opening);
  }
}

TEST(PosixFileSystem, StatListAndKinds) {
  TTempFolder temp;
  const auto fs = MakeNativeFileSystem();
  WriteText(temp / "f", "12345");
  ASSERT_EQ(::mkdir((temp / "d").c_str(), 0777), 0);
  ASSERT_EQ(::symlink((temp / "d").c_str(), (temp / "link").c_str()), 0);
  ASSERT_EQ(::symlink((temp / "gone").c_str(), (temp / "dangling").c_str()), 0);
  EXPECT_EQ(fs->Stat(temp / "f").Kind, TPathKind::File);
  EXPECT_EQ(fs->Stat(temp / "f").Size, 5u);
  EXPECT_EQ(fs->Stat(temp / "d").Kind, TPathKind::Folder);
  EXPECT_EQ(fs->Stat(temp / "link").Kind, TPathKind::Folder);  // followed
  EXPECT_EQ(fs->Stat(temp / "dangling").Kind, TPathKind::Missing);
  EXPECT_EQ(fs->Stat(temp / "f/x").Kind, TPathKind::Missing);
  EXPECT_EQ(fs->Stat("").Kind, TPathKind::Missing);
  EXPECT_EQ(fs->Stat("/dev/null").Kind, TPathKind::Other);

  TFolderListing entries = fs->ListFolder(temp.Path());
  entries.Sort([](std::string_view a, std::string_view b) { return a < b; });
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries.Name(0), "d");
  EXPECT_EQ(entries.Kind(0), TPathKind::Folder);
  EXPECT_EQ(entries.Name(1), "dangling");
  EXPECT_EQ(entries.Kind(1), TPathKind::File);
  EXPECT_EQ(entries.Name(2), "f");
  EXPECT_EQ(entries.Kind(2), TPathKind::File);
  EXPECT_EQ(entries.Kind(3), TPathKind::Folder);
  // Without the trailing '/', and the quiet ends.
  EXPECT_EQ(fs->ListFolder(WithoutTrailingSlash(temp.Path())).size(), 4u);
  EXPECT_TRUE(fs->ListFolder(temp / "missing").empty());
  EXPECT_TRUE(fs->ListFolder(temp / "f").empty());
}

TEST(PosixFileSystem, ErrorCodesAndTexts) {
  TTempFolder temp;
  const auto fs = MakeNativeFileSystem();
  try {
    fs->ReadFile(temp / "missing");
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{ENOENT});
    EXPECT_TRUE(e.Opening);
    EXPECT_EQ(std::string(e.what()),
              std::string("System Error.  Code: 2.\r\n") + std::strerror(ENOENT));
  }
  try {
    fs->ReadFile(temp.Path());
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{EISDIR});
    EXPECT_TRUE(e.Opening);
  }
  EXPECT_TRUE(fs->MakeFolder(temp / "d"));
  EXPECT_FALSE(fs->MakeFolder(temp / "d"));
  WriteText(temp / "f", "x");
  try {
    fs->MakeFolder(temp / "f");
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{EEXIST});
  }
  EXPECT_THROW(fs->MakeFolder(temp / "no/d"), TSystemError);
  EXPECT_TRUE(fs->Remove(temp / "f"));
  EXPECT_FALSE(fs->Remove(temp / "f"));
  EXPECT_THROW(fs->Remove(temp / "d"), TSystemError);
  // RemoveFolder: empty folders only; a link to one is not followed.
  WriteText(temp / "d/x", "x");
  EXPECT_FALSE(fs->RemoveFolder(temp / "d"));
  ASSERT_EQ(::symlink((temp / "d").c_str(), (temp / "l").c_str()), 0);
  EXPECT_THROW(fs->RemoveFolder(temp / "l"), TSystemError);
  EXPECT_TRUE(fs->Remove(temp / "d/x"));
  EXPECT_TRUE(fs->RemoveFolder(temp / "d/"));
  EXPECT_FALSE(fs->RemoveFolder(temp / "d"));
  EXPECT_EQ(TSystemError(0, "").what(), std::string("A call to an OS function failed"));
  EXPECT_EQ(TrimErrorText("No such file.. \r\n"), "No such file");
}

TEST(PosixFileSystem, ReadFileReadsEveryByte) {
  TTempFolder temp;
  const auto fs = MakeNativeFileSystem();
  std::vector<uint8_t> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  WriteBytes(temp / "big", big);
  EXPECT_EQ(fs->ReadFile(temp / "big"), big);
  WriteBytes(temp / "empty", {});
  EXPECT_TRUE(fs->ReadFile(temp / "empty").empty());
}

TEST(PosixFileSystem, CopyFileKeepsTheModeAndSkipsItself) {
  TTempFolder temp;
  const auto fs = MakeNativeFileSystem();
  WriteText(temp / "tool", "program");
  ASSERT_EQ(::chmod((temp / "tool").c_str(), 0751), 0);
  WriteText(temp / "old", "older and longer");
  ASSERT_EQ(::chmod((temp / "old").c_str(), 0600), 0);
  fs->CopyFile(temp / "tool", temp / "old");
  EXPECT_EQ(ReadText(temp / "old"), "program");
  EXPECT_EQ(ModeOf(temp / "old"), mode_t{0751});
  fs->CopyFile(temp / "tool", temp / "./tool");  // the same file: untouched
  EXPECT_EQ(ReadText(temp / "tool"), "program");
  EXPECT_THROW(fs->CopyFile(temp / "missing", temp / "x"), TSystemError);
  try {
    fs->CopyFile(temp / "tool", temp / "no/tool");
    ADD_FAILURE() << "no error";
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, uint32_t{ENOENT});
  }
}

TEST(PosixFileSystem, FullPathsAndTheExecutable) {
  const auto fs = MakeNativeFileSystem();
  EXPECT_EQ(fs->FullPath("/a/./b//c/../d"), "/a/b/d");
  EXPECT_EQ(fs->FullPath("/a/b/"), "/a/b/");
  EXPECT_EQ(fs->FullPath("/a/b/.."), "/a/");
  EXPECT_EQ(fs->FullPath("/.."), "/");
  EXPECT_EQ(fs->FullPath(""), "");
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(fs->FullPath("x/../y.icn"), WithTrailingSlash(cwd) + "y.icn");
  EXPECT_EQ(NameOfPath(fs->ExecutablePath()), "icnkit_tests");
  EXPECT_EQ(fs->ExecutablePath()[0], '/');
}

TEST(PosixFileSystem, FullPathNamesAreNormalised) {
  TFileSystem& fs = NativeFs();
  EXPECT_EQ(fs.FullPath("/a/./b//c/../d"), "/a/b/d");
  EXPECT_EQ(fs.FullPath("/a/b/"), "/a/b/");
  EXPECT_EQ(fs.FullPath("/.."), "/");
  const std::string relative = fs.FullPath("x.icn");
  ASSERT_FALSE(relative.empty());
  EXPECT_EQ(relative[0], '/');
  EXPECT_EQ(NameOfPath(relative), "x.icn");
  EXPECT_EQ(ApplicationFolder(fs).back(), '/');
  EXPECT_TRUE(IsDirectory(fs, ApplicationFolder(fs)));
}

}  // namespace
