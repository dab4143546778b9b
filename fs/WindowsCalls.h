// The system calls the Windows file system is built from, shared by its
// files: errors thrown with their GetLastError() code, handles closed on
// every path, files made and moved by UTF-8 name, and the replacement of a
// file through a temporary file beside it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "fs/FileSystem.h"
//
#include "fs/WindowsHeaders.h"

namespace icnkit {

namespace icn_windows {

[[noreturn]] void Throw(DWORD code, bool opening = false);
[[noreturn]] void ThrowLast(bool opening = false);

// A handle closed on every path out of a scope.
class THandle {
 public:
  explicit THandle(HANDLE handle) : Handle(handle) {}
  ~THandle() { Discard(); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  bool Valid() const { return Handle != INVALID_HANDLE_VALUE; }
  // Closes now, throwing the error of CloseHandle (a late write-back failure).
  void Close();
  // Closes now, on the way out of a failure: its own error does not count.
  void Discard();
  HANDLE Handle;
};

HANDLE Create(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
DWORD Attributes(const std::string& path);
bool IsFolder(DWORD attributes);
// Writes all of bytes at the file's position, or at offset when given.
void WriteAll(HANDLE file, std::span<const uint8_t> bytes, const uint64_t* offset = nullptr);
// MoveFileExW replacing to, retried briefly on sharing violations; 0 or the
// error code of the last attempt.
DWORD MoveReplacing(const std::string& from, const std::string& to);

// TFileSystem::BeginReplace once path is known not to be a folder: a new,
// registered temporary file "<path>.<pid>-<n>.tmp" (throws the error of its
// creation, Opening set).
std::unique_ptr<TFileReplacement> BeginTemporaryReplace(const std::string& path, bool durable);

}  // namespace icn_windows

}  // namespace icnkit
