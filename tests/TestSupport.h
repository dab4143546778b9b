// Helpers shared by the tests: temporary folders, whole-file I/O, running
// the built executables, and a platform wrapper that records message boxes
// and injects failures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/ZtPlatform.h"

// A fresh folder under the system's temporary folder, removed (recursively)
// when the object dies. Path() ends with '/'.
class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const std::string& Path() const { return Path_; }
  std::string operator/(const std::string& name) const { return Path_ + name; }

 private:
  std::string Path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);
// Names in a folder (no "." and ".."), sorted bytewise.
std::vector<std::string> ListNames(const std::string& folder);

// Result of running a program of build/bin.
struct TRunResult {
  int ExitCode = -1;
  std::string Stdout;
  std::string Stderr;
};
// Runs build/bin/<program> with args in workingFolder (empty: current).
// setup runs in the child before exec (e.g. setrlimit), may be empty.
TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workingFolder = {},
                      const std::function<void()>& setup = {});
// Full path of build/bin/<program>.
std::string BinPath(const std::string& program);
// Folder of committed test data (tests/data/), ending with '/'.
std::string TestDataPath(const std::string& name = {});

// Expected texts that differ between POSIX and Windows:
// the text with every '/' turned into the delimiter the tools add ('\' on
// Windows), for messages that show a path the tools built;
inline std::string NativeSlashes(std::string text) {
  const char delimiter = NativeZtPlatform().PathStyle().Delimiter;
  for (char& c : text) {
    if (c == '/') c = delimiter;
  }
  return text;
}
// the error code of a path too long for the system (ENAMETOOLONG; Windows:
// ERROR_FILENAME_EXCED_RANGE).
uint32_t NameTooLongError();
// the error code of opening a folder as a file (EISDIR; Windows:
// ERROR_ACCESS_DENIED).
uint32_t FolderAsFileError();

// Forwards to the native platform, records message boxes instead of showing
// them, and can make one chosen operation fail.
class TRecordingPlatform : public TZtPlatform {
 public:
  struct TBox {
    std::string Text, Caption;
    uint32_t Style;
  };
  TRecordingPlatform();
  ~TRecordingPlatform() override;  // restores the previous platform

  std::vector<TBox> Boxes;
  // What MessageBox returns after recording the box: 0 is a console that
  // cannot be written.
  int MessageBoxResult = 1;
  // When set, called before CreateFile/WriteFile/...: returning a non-zero
  // error code makes that call fail with it.
  std::function<uint32_t(const std::string& operation, const std::string& path)> FailWith;
  std::vector<std::string> Log;  // "CreateFile path", "MoveFileReplace a -> b", ...

  TZtPathStyle PathStyle() override;
  uint32_t GetFileAttributes(const std::string& path) override;
  std::string GetFullPathName(const std::string& path) override;
  bool CreateDirectory(const std::string& path) override;
  TZtHandle CreateFile(const std::string& path, uint32_t access, uint32_t share,
                       uint32_t disposition, uint32_t flags) override;
  bool ReadFile(TZtHandle file, void* buffer, uint32_t count, uint32_t* read) override;
  bool WriteFile(TZtHandle file, const void* buffer, uint32_t count, uint32_t* written) override;
  bool GetFileSize(TZtHandle file, uint64_t* size) override;
  bool SetFilePointer(TZtHandle file, int64_t offset, uint32_t origin, int64_t* position) override;
  bool SetEndOfFile(TZtHandle file) override;
  bool FlushFileBuffers(TZtHandle file) override;
  bool CloseHandle(TZtHandle file) override;
  bool MoveFileReplace(const std::string& from, const std::string& to) override;
  bool DeleteFile(const std::string& path) override;
  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
  TZtListResult ListDirectory(const std::string& folder,
                              std::vector<TZtDirEntry>* entries) override;
  uint32_t GetLastError() override;
  void SetLastError(uint32_t code) override;
  std::string FormatMessage(uint32_t code) override;
  std::string GetModuleFileName() override;
  uint32_t GetCurrentProcessId() override;
  std::string ExecutableFileName(const std::string& programName) override;
  int MessageBox(const std::string& text, const std::string& caption, uint32_t style) override;

 private:
  bool Inject(const std::string& operation, const std::string& path);
  TZtPlatform& Native_;
  TZtPlatform* Previous_;
  std::vector<std::pair<TZtHandle, std::string>> Handles_;
};
