// The registry of unfinished files that a console Ctrl+C clears (natively:
// Windows or Wine): what is registered goes, even while open; what was kept
// or made by someone else stays.
#include <gtest/gtest.h>

#include "fs/WindowsTemporaryFiles.h"
#include "fs/WindowsText.h"
#include "tests/TestSupport.h"
//
#include "fs/WindowsHeaders.h"

using namespace icnkit;

namespace {

HANDLE CreateNew(const std::string& path) {
  return ::CreateFileW(Utf16(path).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Win32TemporaryFiles, ACtrlCDeletesOnlyTheFilesBeingWritten) {
  TTempFolder folder;
  const std::string writing = folder / "a.bmp.7-0.tmp";
  const std::string done = folder / "b.bmp";
  const std::string foreign = folder / "c.bmp.7-0.tmp";
  WriteText(foreign, "another run's");

  HANDLE open = INVALID_HANDLE_VALUE;
  TRegisteredFile registered(writing,
                             [&] { return (open = CreateNew(writing)) != INVALID_HANDLE_VALUE; });
  ASSERT_TRUE(registered.Created());
  {
    HANDLE kept = INVALID_HANDLE_VALUE;
    const TRegisteredFile finished(
        done, [&] { return (kept = CreateNew(done)) != INVALID_HANDLE_VALUE; });
    ASSERT_TRUE(finished.Created());
    ::CloseHandle(kept);
  }  // complete: no longer registered
  HANDLE clash = INVALID_HANDLE_VALUE;
  const TRegisteredFile refused(
      foreign, [&] { return (clash = CreateNew(foreign)) != INVALID_HANDLE_VALUE; });
  EXPECT_FALSE(refused.Created());

  // Deleted while still open: the name goes once the handle is closed (at
  // the latest when the process ends).
  EXPECT_EQ(RemoveRegisteredFiles(), 1u);
  ::CloseHandle(open);
  EXPECT_FALSE(FileExists(writing));
  EXPECT_TRUE(FileExists(done));
  EXPECT_EQ(ReadText(foreign), "another run's");
  EXPECT_EQ(RemoveRegisteredFiles(), 0u);
}

TEST(Win32TemporaryFiles, TheFileSystemRegistersNothingItHasFinished) {
  TTempFolder folder;
  TFileSystem& fs = NativeFs();
  fs.WriteFileAtomic(folder / "a.bin", std::vector<uint8_t>{1, 2, 3}, false);
  EXPECT_TRUE(fs.WriteNewFile(folder / "b.bin", std::vector<uint8_t>{4}));
  fs.CopyFile(folder / "a.bin", folder / "c.bin");
  EXPECT_EQ(RemoveRegisteredFiles(), 0u);
  EXPECT_EQ(ListNames(folder.Path()), (std::vector<std::string>{"a.bin", "b.bin", "c.bin"}));
}

}  // namespace
