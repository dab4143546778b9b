#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "support/ZtSysUtils.h"
#include "tests/TestSupport.h"

namespace {

TEST(SystemErrors, MessageFormatAndCode) {
  try {
    ThrowSystemErrorCode(2);
    FAIL();
  } catch (const SystemError& e) {
    EXPECT_EQ(e.Code, 2u);
    const std::string message = e.what();
    EXPECT_EQ(message.rfind("System Error.  Code: 2.\r\n", 0), 0u) << message;
    EXPECT_NE(message.back(), '.');
    EXPECT_GT(message.size(), std::string("System Error.  Code: 2.\r\n").size());
  }
  try {
    ThrowSystemErrorCode(0);
    FAIL();
  } catch (const SystemError& e) {
    EXPECT_STREQ(e.what(), "A call to an OS function failed");
  }
}

TEST(Files, MakeFoldersIsIdempotentAndReportsFailure) {
  TTempFolder temp;
  EXPECT_TRUE(MakeFolders(""));
  EXPECT_TRUE(MakeFolders(temp / "a/b/c/"));
  EXPECT_TRUE(IsDirectory(temp / "a/b/c"));
  EXPECT_TRUE(MakeFolders(temp / "a/b/c"));
  WriteText(temp / "file", "x");
  EXPECT_FALSE(MakeFolders(temp / "file/sub/"));
  EXPECT_FALSE(FileExists(temp / "file/sub"));
  // Relative paths are made against the current folder.
  TRecordingPlatform recorder;
  EXPECT_TRUE(MakeFolders(temp / "rel/./x/../y/"));
  EXPECT_TRUE(IsDirectory(temp / "rel/y"));
}

TEST(Files, OpenFileMakingFoldersOnlyCreatesForCreatingDispositions) {
  TTempFolder temp;
  const TZtHandle missing =
      OpenFileMakingFolders(temp / "m/x.bin", kGenericRead, kFileShareRead, kOpenExisting, 0);
  EXPECT_EQ(missing, kInvalidHandle);
  EXPECT_FALSE(FileExists(temp / "m"));
  const TZtHandle created =
      OpenFileMakingFolders(temp / "n/o/x.bin", kGenericWrite, 0, kCreateAlways, 0);
  ASSERT_NE(created, kInvalidHandle);
  ZtPlatform().CloseHandle(created);
  EXPECT_TRUE(FileExists(temp / "n/o/x.bin"));
}

TEST(Files, LoadWholeFile) {
  TTempFolder temp;
  std::vector<uint8_t> bytes{1, 2, 3};
  WriteBytes(temp / "empty", {});
  LoadWholeFile(temp / "empty", bytes);
  EXPECT_TRUE(bytes.empty());
  std::vector<uint8_t> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  WriteBytes(temp / "big", big);
  LoadWholeFile(temp / "big", bytes);
  EXPECT_EQ(bytes, big);
  try {
    LoadWholeFile(temp / "missing", bytes);
    FAIL();
  } catch (const SystemError& e) {
    EXPECT_EQ(e.Code, kErrorFileNotFound);
  }
  EXPECT_THROW(LoadWholeFile(temp.Path(), bytes), SystemError);  // a folder
}

TEST(Files, SaveWholeFileReplacesWholeOrNotAtAll) {
  TTempFolder temp;
  const std::string target = temp / "deep/er/a.icn";
  SaveWholeFile(target, std::vector<uint8_t>{1, 2, 3});
  EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{1, 2, 3}));
  SaveWholeFile(target, std::vector<uint8_t>{9}, /*durable=*/true);
  EXPECT_EQ(ReadBytes(target), std::vector<uint8_t>{9});
  SaveWholeFile(target, std::vector<uint8_t>{});
  EXPECT_TRUE(ReadBytes(target).empty());
  SaveWholeFile(target, std::vector<uint8_t>{4, 5});

  // A write that fails (a full disk) leaves the old file and no temporary.
  {
    TRecordingPlatform failing;
    failing.FailWith = [](const std::string& op, const std::string&) -> uint32_t {
      return op == "WriteFile" ? 28 /* no space */ : 0;
    };
    EXPECT_THROW(SaveWholeFile(target, std::vector<uint8_t>(1000, 7)), SystemError);
  }
  EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{4, 5}));
  EXPECT_EQ(ListNames(temp / "deep/er"), std::vector<std::string>{"a.icn"});

  // So does a failing flush or rename.
  for (const char* operation : {"FlushFileBuffers", "MoveFileReplace"}) {
    TRecordingPlatform failing;
    failing.FailWith = [operation](const std::string& op, const std::string&) -> uint32_t {
      return op == operation ? 5 : 0;
    };
    EXPECT_THROW(SaveWholeFile(target, std::vector<uint8_t>(10, 1), true), SystemError)
        << operation;
    EXPECT_EQ(ReadBytes(target), (std::vector<uint8_t>{4, 5}));
    EXPECT_EQ(ListNames(temp / "deep/er"), std::vector<std::string>{"a.icn"});
  }
}

TEST(Files, SaveWholeFileCreateFailures) {
  TTempFolder temp;
  ASSERT_TRUE(MakeFolders(temp / "dir.icn/"));
  try {
    SaveWholeFile(temp / "dir.icn", std::vector<uint8_t>{1});
    FAIL();
  } catch (const TZtError& e) {
    const std::string expected = "Cannot create file \"" + temp.Path() + "dir.icn\". ";
    EXPECT_EQ(std::string(e.what()).rfind(expected, 0), 0u) << e.what();
  }
  EXPECT_TRUE(IsDirectory(temp / "dir.icn"));

  // A folder where nothing can be created (refused as permissions would
  // refuse it, also for root): the old file stays, nothing is left beside it.
  ASSERT_TRUE(MakeFolders(temp / "ro/"));
  WriteBytes(temp / "ro/a.icn", {7});
  {
    TRecordingPlatform readOnly;
    const std::string folder = temp / "ro/";
    readOnly.FailWith = [&folder](const std::string& operation, const std::string& path) {
      return operation == "CreateFile" && path.rfind(folder, 0) == 0 ? uint32_t{EACCES} : 0u;
    };
    try {
      SaveWholeFile(temp / "ro/a.icn", std::vector<uint8_t>{1});
      ADD_FAILURE() << "no error";
    } catch (const TZtError& e) {
      // The message names the full path, spelled with the system's delimiters.
      const std::string full = temp / "ro" + NativePathStyle().Delimiter + "a.icn";
      EXPECT_EQ(std::string(e.what()),
                "Cannot create file \"" + full + "\". " + SystemErrorText(EACCES));
    }
  }
  EXPECT_EQ(ReadBytes(temp / "ro/a.icn"), std::vector<uint8_t>{7});
  EXPECT_EQ(ListNames(temp / "ro"), std::vector<std::string>{"a.icn"});
}

TEST(Platform, MessageBoxesGoToTheConsole) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  NativeZtPlatform().MessageBox("Operation succesful.", "Dravel", kMbIconInformation);
  NativeZtPlatform().MessageBox("Wrong bitmap format.\r\n/x/a.icn.cadres/0002.bmp", "Morlet",
                                kMbIconError);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Operation succesful.\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Morlet: Wrong bitmap format.\n/x/a.icn.cadres/0002.bmp\n");
}

TEST(Platform, FullPathNamesAreNormalised) {
  TZtPlatform& platform = NativeZtPlatform();
  EXPECT_EQ(platform.GetFullPathName("/a/./b//c/../d"), "/a/b/d");
  EXPECT_EQ(platform.GetFullPathName("/a/b/"), "/a/b/");
  EXPECT_EQ(platform.GetFullPathName("/.."), "/");
  const std::string relative = platform.GetFullPathName("x.icn");
  ASSERT_FALSE(relative.empty());
  EXPECT_EQ(relative[0], '/');
  EXPECT_EQ(NameOfPath(relative), "x.icn");
  EXPECT_EQ(ApplicationFolder().back(), '/');
  EXPECT_TRUE(IsDirectory(ApplicationFolder()));
}

}  // namespace
