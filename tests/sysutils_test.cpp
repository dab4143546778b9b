#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "support/ZtSysUtils.h"
#include "tests/TestSupport.h"

namespace {

const TZtPathStyle kWin = TZtPathStyle::Windows();
const TZtPathStyle kPosix = TZtPathStyle::Posix();

TEST(PathStyle, WindowsExampleTable) {
  EXPECT_EQ(DirectoryOfPath("C:\\Games\\H1\\x.icn", kWin), "C:\\Games\\H1\\");
  EXPECT_EQ(DirectoryOfPath("dir/x.bmp", kWin), "dir/");
  EXPECT_EQ(DirectoryOfPath("C:x.icn", kWin), "C:");
  EXPECT_EQ(DirectoryOfPath("x.icn", kWin), "");
  EXPECT_EQ(NameOfPath("C:\\Games\\", kWin), "");
  EXPECT_EQ(NameOfPath("x.icn", kWin), "x.icn");
  EXPECT_EQ(ExtensionOfPath("a.b\\c", kWin), "");
  EXPECT_EQ(ExtensionOfPath("X.ICN", kWin), ".ICN");
  EXPECT_EQ(ExtensionOfPath("x.", kWin), ".");
  EXPECT_EQ(ExtensionOfPath(".icn", kWin), ".icn");
  EXPECT_EQ(ReplaceExtension("Target.icn.cadres", "", kWin), "Target.icn");
  EXPECT_EQ(ReplaceExtension("a.b\\c", ".x", kWin), "a.b\\c.x");
  EXPECT_EQ(WithTrailingSlash("", kWin), "\\");
  EXPECT_EQ(WithTrailingSlash("C:", kWin), "C:\\");
  EXPECT_EQ(WithTrailingSlash("a/", kWin), "a/");
  EXPECT_EQ(WithoutTrailingSlash("C:\\", kWin), "C:");
  EXPECT_EQ(WithoutTrailingSlash("a//", kWin), "a/");
  EXPECT_EQ(WithoutTrailingSlash("a", kWin), "a");
  EXPECT_FALSE(IsSlashAt("a\\", 0, kWin));
  EXPECT_FALSE(IsSlashAt("a\\", 3, kWin));
  EXPECT_TRUE(IsSlashAt("a\\", 2, kWin));
}

TEST(PathStyle, PosixKeepsColonAndBackslashInNames) {
  EXPECT_EQ(DirectoryOfPath("/games/h1/x.icn", kPosix), "/games/h1/");
  EXPECT_EQ(DirectoryOfPath("C:x.icn", kPosix), "");
  EXPECT_EQ(NameOfPath("dir/a\\b:c.icn", kPosix), "a\\b:c.icn");
  EXPECT_EQ(NameOfPath("/games/", kPosix), "");
  EXPECT_EQ(ExtensionOfPath("a.b/c", kPosix), "");
  EXPECT_EQ(ExtensionOfPath("a.b\\c", kPosix), ".b\\c");
  EXPECT_EQ(ExtensionOfPath("dir/X.ICN", kPosix), ".ICN");
  EXPECT_EQ(ExtensionOfPath("x.", kPosix), ".");
  EXPECT_EQ(ReplaceExtension("/x/Target.icn.cadres", "", kPosix), "/x/Target.icn");
  EXPECT_EQ(ReplaceExtension("/x/frames", "", kPosix), "/x/frames");
  EXPECT_EQ(ReplaceExtension("a.b/c", ".x", kPosix), "a.b/c.x");
  EXPECT_EQ(WithTrailingSlash("", kPosix), "/");
  EXPECT_EQ(WithTrailingSlash("dir", kPosix), "dir/");
  EXPECT_EQ(WithTrailingSlash("C:\\", kPosix), "C:\\/");
  EXPECT_EQ(WithoutTrailingSlash("a//", kPosix), "a/");
  EXPECT_EQ(WithoutTrailingSlash("a\\", kPosix), "a\\");
}

// Lead bytes of a Shift-JIS-like code page: 0x81..0x9F and 0xE0..0xFC. The
// trail byte of such a character may be 0x5C, the backslash.
bool ShiftJisLead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

TEST(PathStyle, DoubleByteTrailBackslashIsNoDelimiter) {
  const TZtPathStyle dbcs = TZtPathStyle::Windows(ShiftJisLead);
  const std::string folder = "C:\\\x95\\";  // C:\ + one character 95 5C
  EXPECT_FALSE(IsSlashAt(folder, folder.size(), dbcs));
  EXPECT_EQ(WithTrailingSlash(folder, dbcs), folder + "\\");
  EXPECT_EQ(WithoutTrailingSlash(folder, dbcs), folder);
  EXPECT_EQ(DirectoryOfPath(folder + "x.icn", dbcs), "C:\\");
  EXPECT_EQ(NameOfPath(folder + "x.icn", dbcs), "\x95\\x.icn");
  // Without the code page the same byte is a delimiter.
  EXPECT_EQ(NameOfPath(folder + "x.icn", kWin), "x.icn");
  // A real delimiter after a double-byte character still counts.
  EXPECT_EQ(DirectoryOfPath("\x95\\\\x.icn", dbcs), "\x95\\\\");
}

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
      EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + (temp / "ro/a.icn") + "\". " +
                                           SystemErrorText(EACCES));
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
