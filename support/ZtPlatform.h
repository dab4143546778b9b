// ZtPlatform: the one thin layer between icnkit and the operating system.
//
// Every call into the OS made by the tools goes through a TZtPlatform. The
// operations sit at the level of the Win32 functions the tools were designed
// around (CreateFileA, ReadFile, FindFirstFileA, MessageBoxA, ...), so the
// Win32 implementation is a straight mapping and the POSIX one emulates each
// function. Logic above the layer reaches it through ZtPlatform(), which a
// test may redirect with SetZtPlatform() to a fake or a failure injector.
//
// Conventions of every method:
// - Failure is reported by the result (false, kInvalidHandle, ...) and the
//   thread's last error is set, exactly as Win32 does; callers that want an
//   exception call ThrowSystemError() right after the failing call.
// - Strings are 8-bit strings in the system's code page (UTF-8 on POSIX).
// - Nothing here throws, except std::bad_alloc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fs/Path.h"

using TZtHandle = intptr_t;
constexpr TZtHandle kInvalidHandle = -1;

// File attribute bits as the tools test them.
constexpr uint32_t kFileAttributeReadOnly = 0x01;
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeNormal = 0x80;
constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

// CreateFile arguments, with the Win32 values.
constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kFileShareRead = 0x1;
constexpr uint32_t kCreateNew = 1;
constexpr uint32_t kCreateAlways = 2;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kOpenAlways = 4;
constexpr uint32_t kTruncateExisting = 5;
constexpr uint32_t kFileFlagSequentialScan = 0x08000000;

// Seek origins (SetFilePointerEx).
constexpr uint32_t kSeekBegin = 0;
constexpr uint32_t kSeekCurrent = 1;
constexpr uint32_t kSeekEnd = 2;

// Message box styles.
constexpr uint32_t kMbIconError = 0x10;
constexpr uint32_t kMbIconInformation = 0x40;

// Well-known error codes as the tools test them (Win32 numbering; the POSIX
// layer reports errno, and ENOENT is 2 there too).
constexpr uint32_t kErrorFileNotFound = 2;

// One entry of a directory listing.
struct TZtDirEntry {
  std::string Name;     // the entry's own name, no folder
  uint32_t Attributes;  // kFileAttributeDirectory etc.
};

enum class TZtListResult {
  Ok,        // entries filled (possibly none)
  NotFound,  // the folder does not exist or is not a folder: a quiet end
  Failed,    // any other failure; the last error is set
};

class TZtPlatform {
 public:
  virtual ~TZtPlatform() = default;

  // The native path style of this platform.
  virtual TZtPathStyle PathStyle() = 0;

  // Attributes of the file or folder at path (links followed), or
  // kInvalidFileAttributes with the last error set.
  virtual uint32_t GetFileAttributes(const std::string& path) = 0;
  // The path made absolute against the current directory and normalised
  // lexically. Empty with the last error set on failure.
  virtual std::string GetFullPathName(const std::string& path) = 0;
  // Creates one folder (its parent must exist). False on failure.
  virtual bool CreateDirectory(const std::string& path) = 0;

  // Opens or creates a file. access: kGenericRead/kGenericWrite; share: the
  // share mode (advisory on POSIX); disposition: kCreateNew..kTruncateExisting;
  // flags: attributes and hints. Returns kInvalidHandle on failure.
  // Opening a folder for reading fails (POSIX: EISDIR).
  virtual TZtHandle CreateFile(const std::string& path, uint32_t access, uint32_t share,
                               uint32_t disposition, uint32_t flags) = 0;
  // Reads up to count bytes; *read receives what was read (0 at the end).
  virtual bool ReadFile(TZtHandle file, void* buffer, uint32_t count, uint32_t* read) = 0;
  // Writes count bytes; *written receives what was written. A short write
  // (a full disk) returns false with the last error set.
  virtual bool WriteFile(TZtHandle file, const void* buffer, uint32_t count, uint32_t* written) = 0;
  // The file's size in bytes.
  virtual bool GetFileSize(TZtHandle file, uint64_t* size) = 0;
  // Moves the file pointer; *position receives the new position when not null.
  virtual bool SetFilePointer(TZtHandle file, int64_t offset, uint32_t origin,
                              int64_t* position) = 0;
  // Cuts or extends the file at the current file pointer.
  virtual bool SetEndOfFile(TZtHandle file) = 0;
  // Forces the file's data to the disk (fdatasync / FlushFileBuffers).
  virtual bool FlushFileBuffers(TZtHandle file) = 0;
  // Closes the handle. Closing kInvalidHandle is a no-op that returns false.
  virtual bool CloseHandle(TZtHandle file) = 0;

  // Renames from over to, replacing an existing file atomically where the
  // platform can (rename / MoveFileExA with MOVEFILE_REPLACE_EXISTING).
  virtual bool MoveFileReplace(const std::string& from, const std::string& to) = 0;
  // Removes a file.
  virtual bool DeleteFile(const std::string& path) = 0;
  // Copies a file, keeping its mode bits; replaces the target unless
  // failIfExists. When both name the same file nothing is written and the
  // result is true.
  virtual bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;

  // Lists every entry of a folder, "." and ".." included where the platform
  // delivers them, in the platform's order. Folder "" is the current folder.
  virtual TZtListResult ListDirectory(const std::string& folder,
                                      std::vector<TZtDirEntry>* entries) = 0;

  // The calling thread's last error code, and setting it.
  virtual uint32_t GetLastError() = 0;
  virtual void SetLastError(uint32_t code) = 0;
  // The system's text for an error code (may end in blanks, dots, line ends).
  virtual std::string FormatMessage(uint32_t code) = 0;

  // The full path of the running executable.
  virtual std::string GetModuleFileName() = 0;
  // Process id, used to name temporary files.
  virtual uint32_t GetCurrentProcessId() = 0;
  // The file name of a tool's executable: "dravel" on POSIX, "Dravel.exe"
  // on Windows, for the program name "Dravel".
  virtual std::string ExecutableFileName(const std::string& programName) = 0;

  // Shows a message box with one OK button and no owner. text and caption
  // may be empty; style is kMbIconInformation or kMbIconError. Returns the
  // button pressed (1, OK) or 0 when nothing could be shown.
  virtual int MessageBox(const std::string& text, const std::string& caption, uint32_t style) = 0;
};

// The process-wide platform: the native one unless a test replaced it.
TZtPlatform& ZtPlatform();
// Replaces the process-wide platform (nullptr restores the native one) and
// returns the previous one. The caller keeps ownership.
TZtPlatform* SetZtPlatform(TZtPlatform* platform);
// The native platform of this build (POSIX or Win32), created on first use.
TZtPlatform& NativeZtPlatform();
