// The Win32 platform layer, natively (Windows or Wine): path style, message
// boxes, the atomic replace, directory listing, error codes and texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "settings/SettingsFile.h"
#include "support/ZtFindFile.h"
#include "support/ZtPlatformWin32.h"
#include "support/ZtSysUtils.h"
#include "support/ZtWindows.h"
#include "tests/TestSupport.h"

namespace {

// Wine lets a rename replace read-only and open files; Windows does not.
bool RunningUnderWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(Win32Platform, WindowsPathStyleWithTheAnsiCodePage) {
  const TZtPathStyle style = NativeZtPlatform().PathStyle();
  EXPECT_STREQ(style.SplitSet, "\\/:");
  EXPECT_STREQ(style.TrailingSet, "\\/");
  EXPECT_EQ(style.Delimiter, '\\');
  bool anyLead = false;
  for (int c = 0; c < 256; ++c) {
    const bool lead = ::IsDBCSLeadByte(static_cast<BYTE>(c)) != 0;
    anyLead = anyLead || lead;
    if (style.IsLeadByte != nullptr) {
      EXPECT_EQ(style.IsLeadByte(static_cast<unsigned char>(c)), lead);
    }
  }
  EXPECT_EQ(style.IsLeadByte != nullptr, anyLead);
  // The default style of the path helpers is this one.
  EXPECT_EQ(DirectoryOfPath("C:\\Games\\H1\\x.icn"), "C:\\Games\\H1\\");
  EXPECT_EQ(DirectoryOfPath("C:x.icn"), "C:");
  EXPECT_EQ(WithTrailingSlash("C:"), "C:\\");
  EXPECT_EQ(ReplaceExtension(WithoutTrailingSlash("D:\\x\\a.icn.cadres\\"), ""), "D:\\x\\a.icn");
  EXPECT_EQ(ApplicationFolder().back(), '\\');
  EXPECT_TRUE(IsDirectory(ApplicationFolder()));
  EXPECT_EQ(NativeZtPlatform().ExecutableFileName("Dravel"), "Dravel.exe");
}

struct TBoxCall {
  void* Owner;
  bool NullText, NullCaption;
  std::string Text, Caption;
  uint32_t Type;
};
std::vector<TBoxCall> BoxCalls;

int FakeMessageBox(void* owner, const char* text, const char* caption, uint32_t type) {
  BoxCalls.push_back(
      {owner, text == nullptr, caption == nullptr, text ? text : "", caption ? caption : "", type});
  return IDOK;
}

TEST(Win32Platform, MessageBoxArguments) {
  BoxCalls.clear();
  const bool console = SetZtConsoleMode(false);
  const TZtMessageBoxFunction previous = SetZtMessageBoxFunction(FakeMessageBox);
  TZtPlatform& platform = NativeZtPlatform();
  EXPECT_EQ(platform.MessageBox("Operation succesful.", "Dravel", kMbIconInformation), IDOK);
  EXPECT_EQ(platform.MessageBox("Wrong bitmap format.\r\nD:\\x\\a.icn.cadres\\0002.bmp", "Morvix",
                                kMbIconError),
            IDOK);
  EXPECT_EQ(platform.MessageBox("", "", kMbIconError), IDOK);
  SetZtMessageBoxFunction(previous);
  SetZtConsoleMode(console);

  ASSERT_EQ(BoxCalls.size(), 3u);
  // No owner, one OK button, the icon; the text unchanged, CR LF included.
  EXPECT_EQ(BoxCalls[0].Owner, nullptr);
  EXPECT_EQ(BoxCalls[0].Text, "Operation succesful.");
  EXPECT_EQ(BoxCalls[0].Caption, "Dravel");
  EXPECT_EQ(BoxCalls[0].Type, static_cast<uint32_t>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(BoxCalls[1].Text, "Wrong bitmap format.\r\nD:\\x\\a.icn.cadres\\0002.bmp");
  EXPECT_EQ(BoxCalls[1].Type, static_cast<uint32_t>(MB_OK | MB_ICONERROR));
  // Empty strings are passed as null pointers.
  EXPECT_TRUE(BoxCalls[2].NullText);
  EXPECT_TRUE(BoxCalls[2].NullCaption);
}

TEST(Win32Platform, ConsoleModeWritesAsPosixDoes) {
  const bool console = SetZtConsoleMode(true);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  NativeZtPlatform().MessageBox("Dravel v1.3.1\r\nUsage 1:  Dravel.exe Target.icn", "Dravel",
                                kMbIconInformation);
  NativeZtPlatform().MessageBox("Folder doesn't exist: a.icn.cadres\\.", "Morlet", kMbIconError);
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();
  SetZtConsoleMode(console);
  // Binary mode: "\n" stays one byte.
  EXPECT_EQ(out, "Dravel v1.3.1\nUsage 1:  Dravel.exe Target.icn\n");
  EXPECT_EQ(err, "Morlet: Folder doesn't exist: a.icn.cadres\\.\n");
}

TEST(Win32Platform, MoveFileReplaceReplacesAndReportsFailures) {
  TTempFolder temp;
  TZtPlatform& platform = NativeZtPlatform();
  WriteText(temp / "new", "new");
  WriteText(temp / "old", "old");
  ASSERT_TRUE(platform.MoveFileReplace(temp / "new", temp / "old"));
  EXPECT_EQ(ReadText(temp / "old"), "new");
  EXPECT_FALSE(FileExists(temp / "new"));

  if (!RunningUnderWine()) {
    // A read-only target is not replaced (access denied, no retry).
    WriteText(temp / "new", "newer");
    ASSERT_TRUE(::SetFileAttributesA((temp / "old").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(platform.MoveFileReplace(temp / "new", temp / "old"));
    EXPECT_EQ(platform.GetLastError(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
    ::SetFileAttributesA((temp / "old").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadText(temp / "old"), "new");

    // A target held open without sharing (as a scanner may): the move gives
    // up after its retries, and both files stay.
    const HANDLE held = ::CreateFileA((temp / "old").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(platform.MoveFileReplace(temp / "new", temp / "old"));
    const uint32_t code = platform.GetLastError();
    EXPECT_TRUE(code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED) << code;
    ::CloseHandle(held);
    EXPECT_EQ(ReadText(temp / "old"), "new");
    EXPECT_EQ(ReadText(temp / "new"), "newer");
  }

  // SaveWholeFile goes through it: an existing archive is replaced.
  SaveWholeFile(temp / "a.icn", std::vector<uint8_t>{1, 2});
  SaveWholeFile(temp / "a.icn", std::vector<uint8_t>{3}, /*durable=*/true);
  EXPECT_EQ(ReadBytes(temp / "a.icn"), std::vector<uint8_t>{3});
}

TEST(Win32Platform, ListingAndSearchEnds) {
  TTempFolder temp;
  TZtPlatform& platform = NativeZtPlatform();
  WriteText(temp / "a.bmp", "x");
  WriteText(temp / "x.bmpx", "x");  // its short name X~1.BMP matches "*.bmp" natively
  ASSERT_TRUE(platform.CreateDirectory(temp / "sub"));
  std::vector<TZtDirEntry> entries;
  // The folder with and without its trailing delimiter.
  for (const std::string& folder : {temp.Path(), WithoutTrailingSlash(temp.Path())}) {
    ASSERT_EQ(platform.ListDirectory(folder, &entries), TZtListResult::Ok) << folder;
    std::vector<std::string> names;
    for (const TZtDirEntry& entry : entries) {
      names.push_back(entry.Name);
      const bool isFolder = (entry.Attributes & kFileAttributeDirectory) != 0;
      if (entry.Name == "sub" || entry.Name == "a.bmp") {
        EXPECT_EQ(isFolder, entry.Name == "sub");
      }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.bmp", "sub", "x.bmpx"}));
  }
  EXPECT_EQ(platform.ListDirectory(temp / "missing\\", &entries), TZtListResult::NotFound);
  EXPECT_EQ(platform.ListDirectory(temp / "a.bmp\\", &entries), TZtListResult::NotFound);
  EXPECT_TRUE(entries.empty());

  // The search's own matcher: long names only.
  TZtFindFile find(temp / "*.bmp");
  std::vector<std::string> found;
  while (find.NextMatch(0, kFileAttributeDirectory)) found.push_back(find.FullPath());
  EXPECT_EQ(found, std::vector<std::string>{temp / "a.bmp"});

  // A folder name with a wildcard is an invalid name: a failure, not an end.
  EXPECT_THROW(TZtFindFile(temp / "s*b\\*.bmp"), SystemError);
}

TEST(Win32Platform, ErrorCodesAndTexts) {
  TTempFolder temp;
  std::vector<uint8_t> bytes;
  for (const auto& [path, code] :
       {std::pair{temp / "missing.icn", ERROR_FILE_NOT_FOUND},
        std::pair{temp / "none\\x.icn", ERROR_PATH_NOT_FOUND},
        std::pair{WithoutTrailingSlash(temp.Path()), ERROR_ACCESS_DENIED}}) {
    try {
      LoadWholeFile(path, bytes);
      ADD_FAILURE() << path;
    } catch (const SystemError& e) {
      EXPECT_EQ(e.Code, static_cast<uint32_t>(code)) << path;
      // The system's own text (Wine's differs from Windows'), trimmed.
      const std::string prefix =
          ZtFormat("System Error.  Code: %u.\r\n", static_cast<unsigned>(code));
      const std::string message = e.what();
      EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
      EXPECT_GT(message.size(), prefix.size()) << message;
      EXPECT_NE(message.back(), '.');
      EXPECT_GT(static_cast<unsigned char>(message.back()), 32);
    }
  }
  // Full path names: drive, backslashes, the trailing delimiter kept.
  TZtPlatform& platform = NativeZtPlatform();
  const std::string full = platform.GetFullPathName(temp / "a/./b/../c\\");
  EXPECT_EQ(full, WithoutTrailingSlash(platform.GetFullPathName(temp.Path())) + "\\a\\c\\");
  EXPECT_EQ(full[1], ':');
  EXPECT_EQ(NameOfPath(platform.GetModuleFileName()).size(), std::strlen("icnkit_tests.exe"));
}

TEST(Win32Platform, CopyFileAndProfiles) {
  TTempFolder temp;
  TZtPlatform& platform = NativeZtPlatform();
  WriteText(temp / "a", "a");
  EXPECT_TRUE(platform.CopyFile(temp / "a", temp / "b", false));
  EXPECT_FALSE(platform.CopyFile(temp / "a", temp / "b", true));
  EXPECT_EQ(platform.GetLastError(), static_cast<uint32_t>(ERROR_FILE_EXISTS));
  // Onto itself, under another spelling of its path: nothing to do.
  EXPECT_TRUE(platform.CopyFile(temp / "a", temp / "sub\\..\\A", false));
  EXPECT_EQ(ReadText(temp / "a"), "a");

  // A relative settings file is relative to the current folder (the
  // system's profile functions would look in the Windows folder).
  char previous[MAX_PATH];
  ASSERT_NE(::GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(temp.Path().c_str()));
  {
    TSettingsFile settings("rel.ini");
    settings.WriteNumber("Position", "X", -3);
    settings.WriteNumber("Bits", "0000.bmp", 32);
  }
  const int32_t x = TSettingsFile("REL.INI").ReadNumber("position", "x", 0);
  ::SetCurrentDirectoryA(previous);
  EXPECT_EQ(x, -3);
  EXPECT_TRUE(FileExists(temp / "rel.ini"));
}

}  // namespace
