#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "cli/Report.h"
#include "fs/Files.h"
#include "tests/TestSupport.h"

namespace {

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
  TFailingFileSystem recorder;
  EXPECT_TRUE(MakeFolders(recorder, temp / "rel/./x/../y/"));
  EXPECT_TRUE(IsDirectory(fs, temp / "rel/y"));
  EXPECT_FALSE(FileExists(temp / "rel/x"));
}

TEST(Files, LoadingMakesNoFoldersSavingDoes) {
  TTempFolder temp;
  TFailingFileSystem recorder;
  std::vector<uint8_t> bytes;
  EXPECT_THROW(LoadWholeFile(recorder, temp / "m/x.bin", bytes), TSystemError);
  EXPECT_FALSE(FileExists(temp / "m"));
  EXPECT_EQ(recorder.Log, std::vector<std::string>{"ReadFile " + temp / "m/x.bin"});
  SaveWholeFile(recorder, temp / "n/o/x.bin", std::vector<uint8_t>{1});
  EXPECT_TRUE(FileExists(temp / "n/o/x.bin"));
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
  SaveWholeFile(fs, target, std::vector<uint8_t>{4, 5});

  // A write, flush or rename that fails (a full disk) names the file as a
  // failure to create it does, and leaves the old file and no temporary (the
  // native steps themselves: PosixFileSystem.WriteFileAtomicReplacesWhole...).
  for (const uint32_t code : {28u /* no space */, 5u}) {
    TFailingFileSystem failing;
    failing.FailuresAreOpening = false;
    failing.FailWith = [code](const std::string& method, const std::string&) -> uint32_t {
      return method == "WriteFileAtomic" ? code : 0;
    };
    EXPECT_EQ(MessageOf([&] { SaveWholeFile(failing, target, std::vector<uint8_t>(1000, 7), true); }),
              "Cannot create file \"" + NativeFs().FullPath(target) + "\". " + NativeErrorText(code));
    EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{4, 5}));
    EXPECT_EQ(ListNames(temp / "deep/er"), std::vector<std::string>{"a.icn"});
  }
}

TEST(Files, SaveWholeFileCreateFailures) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  ASSERT_TRUE(MakeFolders(fs, temp / "dir.icn/"));
  try {
    SaveWholeFile(fs, temp / "dir.icn", std::vector<uint8_t>{1});
    FAIL();
  } catch (const TZtError& e) {
    const std::string expected = "Cannot create file \"" + temp.Path() + "dir.icn\". ";
    EXPECT_EQ(std::string(e.what()).rfind(expected, 0), 0u) << e.what();
  }
  EXPECT_TRUE(IsDirectory(fs, temp / "dir.icn"));

  // A folder where nothing can be created (refused as permissions would
  // refuse it, also for root): the old file stays, nothing is left beside it.
  ASSERT_TRUE(MakeFolders(fs, temp / "ro/"));
  WriteBytes(temp / "ro/a.icn", {7});
  {
    TFailingFileSystem readOnly;
    const std::string folder = temp / "ro/";
    readOnly.FailWith = [&folder](const std::string& method, const std::string& path) {
      return method == "WriteFileAtomic" && path.rfind(folder, 0) == 0 ? uint32_t{EACCES} : 0u;
    };
    try {
      SaveWholeFile(readOnly, temp / "ro/a.icn", std::vector<uint8_t>{1});
      ADD_FAILURE() << "no error";
    } catch (const TZtError& e) {
      // The message names the full path, spelled with the system's delimiters.
      const std::string full = temp / "ro" + NativePathStyle().Delimiter + "a.icn";
      EXPECT_EQ(std::string(e.what()),
                "Cannot create file \"" + full + "\". " + NativeErrorText(EACCES));
    }
  }
  EXPECT_EQ(ReadBytes(temp / "ro/a.icn"), std::vector<uint8_t>{7});
  EXPECT_EQ(ListNames(temp / "ro"), std::vector<std::string>{"a.icn"});
}

TEST(Platform, MessageBoxesGoToTheConsole) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  TConsoleReport console(stdout, stderr);
  EXPECT_TRUE(console.Inform("Dravel", "Operation succesful."));
  EXPECT_TRUE(console.Fail("Morlet", "Wrong bitmap format.\r\n/x/a.icn.cadres/0002.bmp"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Operation succesful.\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Morlet: Wrong bitmap format.\n/x/a.icn.cadres/0002.bmp\n");
}

TEST(Platform, FullPathNamesAreNormalised) {
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
