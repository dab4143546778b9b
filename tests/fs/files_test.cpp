// The whole-file helpers (fs/Files.h) over the in-memory file system and
// the native one, and the system error they raise.
#include "fs/Files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <utility>

#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

const std::vector<uint8_t> kOld{4, 5};

TEST(SystemErrors, MessageFormatAndCode) {
  try {
    throw TSystemError(2, NativeErrorText(2));
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, 2u);
    const std::string message = e.what();
    EXPECT_EQ(message.rfind("System Error.  Code: 2.\r\n", 0), 0u) << message;
    EXPECT_NE(message.back(), '.');
    EXPECT_GT(message.size(), std::string("System Error.  Code: 2.\r\n").size());
  }
  try {
    throw TSystemError(0, std::string());
  } catch (const TSystemError& e) {
    EXPECT_STREQ(e.what(), "A call to an OS function failed");
  }
}

TEST(FsFiles, SaveWholeFileMakesFoldersAndReplaces) {
  TMemoryFileSystem fs;
  fs.CurrentFolder = "/work";
  fs.AddFolder("/work");
  SaveWholeFile(fs, "deep/er/a.icn", std::vector<uint8_t>{1, 2, 3}, true);
  SaveWholeFile(fs, "/work/deep/er/a.icn", kOld);
  EXPECT_EQ(fs.Files.at("/work/deep/er/a.icn"), kOld);
  EXPECT_EQ(fs.Log,
            (std::vector<std::string>{"folder /work/deep", "folder /work/deep/er",
                                      "write /work/deep/er/a.icn", "write /work/deep/er/a.icn"}));
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
  fs.FailOn("BeginReplace", EACCES, 1, "", /*opening=*/true);
  fs.FailOn("WriteAt", ENOSPC, 1);
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

// A streamed file is in place only once saved: dropped before (a failure
// passing), it leaves the old file and nothing else; its pieces follow one
// another; a full disk on a later piece names the file.
TEST(FsFiles, StreamedFileGoesInPlaceWhenSaved) {
  TMemoryFileSystem fs;
  fs.AddFile("/x/a.gif", kOld);
  {
    TStreamedFile dropped(fs, "/x/a.gif");
    dropped.Append(std::vector<uint8_t>{1, 2});
  }
  EXPECT_EQ(fs.Files.at("/x/a.gif"), kOld);
  TStreamedFile file(fs, "/x/new/b.gif");
  file.Append(std::vector<uint8_t>{1, 2});
  file.Append(std::vector<uint8_t>{3});
  file.Save();
  EXPECT_EQ(fs.Files.at("/x/new/b.gif"), (std::vector<uint8_t>{1, 2, 3}));
  fs.FailOn("WriteAt", ENOSPC, 2);
  TStreamedFile full(fs, "/x/a.gif");
  full.Append(std::vector<uint8_t>{1});
  EXPECT_EQ(MessageOf([&] { full.Append(std::vector<uint8_t>{2}); }),
            "Cannot create file \"/x/a.gif\". " + NativeErrorText(ENOSPC));
  EXPECT_EQ(fs.Files.at("/x/a.gif"), kOld);
  EXPECT_EQ(fs.Log, (std::vector<std::string>{"folder /x/new", "write /x/new/b.gif"}));
}

TEST(FsFiles, SaveNewOrReplaceFileWritesNewFilesInPlace) {
  TMemoryFileSystem fs;
  fs.AddFile("/x/old.bmp", kOld);
  fs.AddFolder("/x/dir.bmp");
  // New: created in place, its folders made first; existing: replaced.
  SaveNewOrReplaceFile(fs, "/x/new.bmp", std::vector<uint8_t>{1});
  SaveNewOrReplaceFile(fs, "/x/deep/er/new.bmp", std::vector<uint8_t>{2});
  SaveNewOrReplaceFile(fs, "/x/old.bmp", std::vector<uint8_t>{3});
  EXPECT_EQ(fs.Log,
            (std::vector<std::string>{"create /x/new.bmp", "folder /x/deep", "folder /x/deep/er",
                                      "write /x/deep/er/new.bmp", "write /x/old.bmp"}));
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
  fs.FailOn("BeginReplace", EACCES, 0, "/x/ro.bmp", /*opening=*/true);
  EXPECT_EQ(message("/x/ro.bmp"), "Cannot create file \"/x/ro.bmp\". " + NativeErrorText(EACCES));
  // A write that fails after creation (a full disk) names the file too, and
  // nothing is tried after it.
  fs.FailOn("WriteNewFile", ENOSPC, 1);
  const int replacesBefore = fs.Calls("BeginReplace");
  EXPECT_EQ(message("/x/full.bmp"),
            "Cannot create file \"/x/full.bmp\". " + NativeErrorText(ENOSPC));
  EXPECT_EQ(fs.Calls("BeginReplace"), replacesBefore);
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

// The folders a failed piece of work made go again, innermost first, as
// far as they are empty; those that were there before and those kept stay.
TEST(FsFiles, MadeFoldersAreTakenBackUnlessKept) {
  TMemoryFileSystem fs;
  fs.AddFolder("/a");
  {
    TMadeFolders made(fs);
    EXPECT_TRUE(made.Make("/a/b/c/d/"));
    fs.AddFile("/a/b/note", {});
  }
  EXPECT_EQ(fs.Log, (std::vector<std::string>{"folder /a/b", "folder /a/b/c", "folder /a/b/c/d",
                                              "unfolder /a/b/c/d", "unfolder /a/b/c"}));
  fs.Log.clear();
  {
    TMadeFolders made(fs);
    EXPECT_TRUE(made.Make("/a/b/c/"));  // "/a/b" was there
    EXPECT_TRUE(made.Make("/x/"));
    made.Keep();
  }
  {
    TMadeFolders made(fs);
    EXPECT_TRUE(made.Make("/y/"));
    fs.FailOn("RemoveFolder", EACCES);
  }
  EXPECT_EQ(fs.Log, (std::vector<std::string>{"folder /a/b/c", "folder /x", "folder /y"}));
}

TEST(Files, MakeFoldersIsIdempotentAndReportsFailure) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  EXPECT_TRUE(MakeFolders(fs, ""));
  EXPECT_TRUE(MakeFolders(fs, temp / "a/b/c/"));
  EXPECT_TRUE(IsDirectory(fs, temp / "a/b/c"));
  EXPECT_TRUE(MakeFolders(fs, temp / "a/b/c"));
  WriteText(temp / "file", "x");
  EXPECT_FALSE(MakeFolders(fs, temp / "file/sub/"));
  EXPECT_FALSE(FileExists(temp / "file/sub"));
  // "." and ".." are resolved before anything is made.
  EXPECT_TRUE(MakeFolders(fs, temp / "rel/./x/../y/"));
  EXPECT_TRUE(IsDirectory(fs, temp / "rel/y"));
  EXPECT_FALSE(FileExists(temp / "rel/x"));
}

TEST(Files, LoadingMakesNoFoldersSavingDoes) {
  TMemoryFileSystem fs;
  std::vector<uint8_t> bytes;
  EXPECT_THROW(LoadWholeFile(fs, "/t/m/x.bin", bytes), TSystemError);
  EXPECT_EQ(fs.Calls("ReadFile"), 1);
  EXPECT_EQ(fs.Calls("MakeFolder"), 0);
  SaveWholeFile(fs, "/t/n/o/x.bin", std::vector<uint8_t>{1});
  EXPECT_EQ(fs.Log, (std::vector<std::string>{"folder /t", "folder /t/n", "folder /t/n/o",
                                              "write /t/n/o/x.bin"}));
}

TEST(Files, LoadWholeFile) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  std::vector<uint8_t> bytes{1, 2, 3};
  WriteBytes(temp / "empty", {});
  LoadWholeFile(fs, temp / "empty", bytes);
  EXPECT_TRUE(bytes.empty());
  std::vector<uint8_t> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  WriteBytes(temp / "big", big);
  LoadWholeFile(fs, temp / "big", bytes);
  EXPECT_EQ(bytes, big);
  try {
    LoadWholeFile(fs, temp / "missing", bytes);
    FAIL();
  } catch (const TSystemError& e) {
    EXPECT_EQ(e.Code, 2u);  // ENOENT, ERROR_FILE_NOT_FOUND
  }
  EXPECT_THROW(LoadWholeFile(fs, temp.Path(), bytes), TSystemError);  // a folder
}

TEST(Files, SaveWholeFileReplacesWholeOrNotAtAll) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  const std::string target = temp / "deep/er/a.icn";
  SaveWholeFile(fs, target, std::vector<uint8_t>{1, 2, 3});
  EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{1, 2, 3}));
  SaveWholeFile(fs, target, std::vector<uint8_t>{9}, /*durable=*/true);
  EXPECT_EQ(ReadBytes(target), std::vector<uint8_t>{9});
  SaveWholeFile(fs, target, std::vector<uint8_t>{});
  EXPECT_TRUE(ReadBytes(target).empty());
  SaveWholeFile(fs, target, kOld);
  EXPECT_EQ(ReadBytes(target), kOld);

  // A write, flush or rename that fails (a full disk) names the file as a
  // failure to create it does, and leaves the old file and nothing else (the
  // native steps themselves: PosixFileSystem.WriteFileAtomicReplacesWhole...).
  const std::pair<const char*, uint32_t> failures[] = {{"WriteAt", ENOSPC}, {"Commit", EIO}};
  for (const auto& [method, code] : failures) {
    TMemoryFileSystem failing;
    failing.AddFile("/d/a.icn", kOld);
    failing.FailOn(method, code);
    EXPECT_EQ(
        MessageOf([&] { SaveWholeFile(failing, "/d/a.icn", std::vector<uint8_t>(1000, 7), true); }),
        "Cannot create file \"/d/a.icn\". " + NativeErrorText(code));
    EXPECT_EQ(failing.Files, (std::map<std::string, std::vector<uint8_t>>{{"/d/a.icn", kOld}}));
  }
}

TEST(Files, SaveWholeFileCreateFailures) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  ASSERT_TRUE(MakeFolders(fs, temp / "sub/dir.icn/"));
  try {
    SaveWholeFile(fs, temp / "sub/dir.icn", std::vector<uint8_t>{1});
    FAIL();
  } catch (const TZtError& e) {
    // The message names the full path, spelled with the system's delimiters.
    const std::string full = temp / "sub" + NativePathStyle().Delimiter + "dir.icn";
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + full + "\". ", 0), 0u)
        << e.what();
  }
  EXPECT_TRUE(IsDirectory(fs, temp / "sub/dir.icn"));

  // A folder where nothing can be created (refused as permissions would
  // refuse it, also for root): the message names the full path, the old file
  // stays, nothing is left beside it.
  TMemoryFileSystem readOnly;
  readOnly.CurrentFolder = "/w";
  readOnly.AddFile("/w/ro/a.icn", {7});
  readOnly.FailOn("BeginReplace", EACCES, 0, "/w/ro/", /*opening=*/true);
  EXPECT_EQ(MessageOf([&] { SaveWholeFile(readOnly, "ro/a.icn", std::vector<uint8_t>{1}); }),
            "Cannot create file \"/w/ro/a.icn\". " + NativeErrorText(EACCES));
  EXPECT_EQ(readOnly.Files, (std::map<std::string, std::vector<uint8_t>>{{"/w/ro/a.icn", {7}}}));
}

}  // namespace
