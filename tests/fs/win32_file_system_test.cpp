// The Windows file system, natively (Windows or Wine): path style, the
// atomic replace, folder listing, error codes and texts, copies and relative
// settings files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fs/Files.h"
#include "fs/FindFile.h"
#include "settings/SettingsFile.h"
#include "tests/TestSupport.h"
//
#include "fs/WindowsHeaders.h"

using namespace icnkit;

namespace {

// Wine lets a rename replace read-only and open files; Windows does not.
bool RunningUnderWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(Win32Platform, WindowsPathStyleInUtf8) {
  const TZtPathStyle style = NativePathStyle();
  EXPECT_STREQ(style.SplitSet, "\\/:");
  EXPECT_STREQ(style.TrailingSet, "\\/");
  EXPECT_EQ(style.Delimiter, '\\');
  // The default style of the path helpers is this one.
  EXPECT_EQ(DirectoryOfPath("C:\\Games\\H1\\x.icn"), "C:\\Games\\H1\\");
  EXPECT_EQ(DirectoryOfPath("C:x.icn"), "C:");
  EXPECT_EQ(WithTrailingSlash("C:"), "C:\\");
  EXPECT_EQ(ReplaceExtension(WithoutTrailingSlash("D:\\x\\a.icn.cadres\\"), ""), "D:\\x\\a.icn");
  TFileSystem& fs = NativeFs();
  EXPECT_EQ(ApplicationFolder(fs).back(), '\\');
  EXPECT_TRUE(IsDirectory(fs, ApplicationFolder(fs)));
  EXPECT_EQ(ExecutableFileName("Dravel"), "Dravel.exe");
}

// An archive written in pieces: each at its offset (a gap reads as zeros),
// in place only when committed, and nothing left when dropped.
TEST(Win32Platform, BeginReplaceWritesPiecesAndCommitsOrLeavesNothing) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  WriteText(temp / "a.icn", "old");
  const std::vector<uint8_t> tail{'t', 'a', 'i', 'l'}, head{'a', 'b'};
  {
    const auto file = fs.BeginReplace(temp / "a.icn", true);
    file->WriteAt(6, tail);
    file->WriteAt(0, head);
    EXPECT_EQ(ReadText(temp / "a.icn"), "old");
  }
  EXPECT_EQ(ReadText(temp / "a.icn"), "old");
  EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"a.icn"});

  const auto file = fs.BeginReplace(temp / "a.icn", true);
  file->WriteAt(6, tail);
  file->WriteAt(0, head);
  file->Commit();
  EXPECT_EQ(ReadText(temp / "a.icn"), std::string("ab\0\0\0\0tail", 10));
  EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"a.icn"});
}

TEST(Win32Platform, WriteFileAtomicReplacesAndReportsFailures) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  WriteText(temp / "old", "old");
  fs.WriteFileAtomic(temp / "old", std::vector<uint8_t>{'n', 'e', 'w'}, false);
  EXPECT_EQ(ReadText(temp / "old"), "new");
  EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"old"});

  if (!RunningUnderWine()) {
    // A read-only target is not replaced (access denied, no retry), and
    // no temporary file stays behind.
    ASSERT_TRUE(::SetFileAttributesA((temp / "old").c_str(), FILE_ATTRIBUTE_READONLY));
    try {
      fs.WriteFileAtomic(temp / "old", std::vector<uint8_t>{'x'}, false);
      ADD_FAILURE() << "replaced a read-only file";
    } catch (const TSystemError& e) {
      EXPECT_EQ(e.Code, static_cast<uint32_t>(ERROR_ACCESS_DENIED));
    }
    ::SetFileAttributesA((temp / "old").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadText(temp / "old"), "new");

    // A target held open without sharing (as a scanner may): the move gives
    // up after its retries, and the old file stays.
    const HANDLE held = ::CreateFileA((temp / "old").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
      fs.WriteFileAtomic(temp / "old", std::vector<uint8_t>{'x'}, false);
      ADD_FAILURE() << "replaced a file held open";
    } catch (const TSystemError& e) {
      EXPECT_TRUE(e.Code == ERROR_SHARING_VIOLATION || e.Code == ERROR_ACCESS_DENIED) << e.Code;
    }
    ::CloseHandle(held);
    EXPECT_EQ(ReadText(temp / "old"), "new");
    EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"old"});
  }

  // SaveWholeFile goes through it: an existing archive is replaced.
  SaveWholeFile(fs, temp / "a.icn", std::vector<uint8_t>{1, 2});
  SaveWholeFile(fs, temp / "a.icn", std::vector<uint8_t>{3}, /*durable=*/true);
  EXPECT_EQ(ReadBytes(temp / "a.icn"), std::vector<uint8_t>{3});
}

TEST(Win32Platform, ListingAndSearchEnds) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  WriteText(temp / "a.bmp", "x");
  WriteText(temp / "x.bmpx", "x");  // its short name X~1.BMP matches "*.bmp" natively
  ASSERT_TRUE(fs.MakeFolder(temp / "sub"));
  // The folder with and without its trailing delimiter.
  for (const std::string& folder : {temp.Path(), WithoutTrailingSlash(temp.Path())}) {
    std::vector<std::string> names;
    for (const TFolderEntry& entry : fs.ListFolder(folder)) {
      names.emplace_back(entry.Name);
      EXPECT_EQ(entry.Kind, entry.Name == "sub" ? TPathKind::Folder : TPathKind::File);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.bmp", "sub", "x.bmpx"})) << folder;
  }
  // A missing folder, or one through a file, lists nothing.
  EXPECT_TRUE(fs.ListFolder(temp / "missing\\").empty());
  EXPECT_TRUE(fs.ListFolder(temp / "a.bmp\\").empty());

  // The search's own matcher: long names only.
  TZtFindFile find(fs, temp / "*.bmp");
  std::vector<std::string> found;
  while (find.NextMatch(0, kFindFolder)) found.push_back(find.FullPath());
  EXPECT_EQ(found, std::vector<std::string>{temp / "a.bmp"});

  // A folder name with a wildcard is an invalid name: a failure, not an end.
  EXPECT_THROW(TZtFindFile(fs, temp / "s*b\\*.bmp"), TZtError);
}

TEST(Win32Platform, ErrorCodesAndTexts) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  std::vector<uint8_t> bytes;
  for (const auto& [path, code] :
       {std::pair{temp / "missing.icn", ERROR_FILE_NOT_FOUND},
        std::pair{temp / "none\\x.icn", ERROR_PATH_NOT_FOUND},
        std::pair{WithoutTrailingSlash(temp.Path()), ERROR_ACCESS_DENIED}}) {
    try {
      LoadWholeFile(fs, path, bytes);
      ADD_FAILURE() << path;
    } catch (const TSystemError& e) {
      EXPECT_EQ(e.Code, static_cast<uint32_t>(code)) << path;
      EXPECT_TRUE(e.Opening) << path;
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
  const std::string full = fs.FullPath(temp / "a/./b/../c\\");
  EXPECT_EQ(full, WithoutTrailingSlash(fs.FullPath(temp.Path())) + "\\a\\c\\");
  EXPECT_EQ(full[1], ':');
  EXPECT_EQ(NameOfPath(fs.ExecutablePath()).size(), std::strlen("icnkit_tests.exe"));
}

TEST(Win32Platform, CopyFileAndSettings) {
  TTempFolder temp;
  TFileSystem& fs = NativeFs();
  WriteText(temp / "a", "a");
  WriteText(temp / "b", "old");
  fs.CopyFile(temp / "a", temp / "b");
  EXPECT_EQ(ReadText(temp / "b"), "a");
  // Onto itself, under another spelling of its path: nothing to do.
  fs.CopyFile(temp / "a", temp / "sub\\..\\A");
  EXPECT_EQ(ReadText(temp / "a"), "a");

  // A relative settings file is relative to the current folder (the
  // system's profile functions would look in the Windows folder).
  char previous[MAX_PATH];
  ASSERT_NE(::GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(temp.Path().c_str()));
  {
    TSettingsFile settings(fs, "rel.ini");
    settings.WriteNumber("Position", "X", -3);
    settings.WriteNumber("Bits", "0000.bmp", 32);
  }
  const int32_t x = TSettingsFile(fs, "REL.INI").ReadNumber("position", "x", 0);
  ::SetCurrentDirectoryA(previous);
  EXPECT_EQ(x, -3);
  EXPECT_TRUE(FileExists(temp / "rel.ini"));
}

}  // namespace
