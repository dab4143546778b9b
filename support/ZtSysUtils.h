// ZtSysUtils: path, file and message helpers shared by all four tools.
//
// Path operations work over a TZtPathStyle: the native style by default
// (POSIX: only '/' delimits; Windows: "\/:" with '\' added and double-byte
// lead bytes from the ANSI code page). Positions are 1-based as in the
// original helpers: position 1 is the first character.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/Error.h"
#include "support/ZtPlatform.h"

// An operating-system failure: the message "System Error.  Code: %d.\r\n%s"
// (or "A call to an OS function failed" for code 0) and the code.
class SystemError : public TZtError {
 public:
  SystemError(const std::string& message, uint32_t code) : TZtError(message), Code(code) {}
  uint32_t Code;
};

// The native path style (the platform's).
TZtPathStyle NativePathStyle();

// 1-based position of the last delimiter of set in path, 0 when none. Bytes
// of value 0 never delimit; a delimiter that is the trail byte of a
// double-byte character is skipped together with its lead byte.
size_t LastDelimiter(const std::string& path, const char* set, const TZtPathStyle& style);

// The path up to and including its last delimiter; empty if it has none.
std::string DirectoryOfPath(const std::string& path, const TZtPathStyle& style = NativePathStyle());
// Everything after the last delimiter; the whole path if it has none.
std::string NameOfPath(const std::string& path, const TZtPathStyle& style = NativePathStyle());
// The extension with its dot, case kept, or empty.
std::string ExtensionOfPath(const std::string& path, const TZtPathStyle& style = NativePathStyle());
// The path without its extension, followed by newExtension (may be empty).
std::string ReplaceExtension(const std::string& path, const std::string& newExtension,
                             const TZtPathStyle& style = NativePathStyle());
// True when position (1-based) lies inside s and holds a single-byte
// delimiter of the style's trailing set.
bool IsSlashAt(const std::string& s, size_t position,
               const TZtPathStyle& style = NativePathStyle());
// The path ending in a delimiter (the style's delimiter added when needed).
std::string WithTrailingSlash(const std::string& path,
                              const TZtPathStyle& style = NativePathStyle());
// The path without one trailing delimiter.
std::string WithoutTrailingSlash(const std::string& path,
                                 const TZtPathStyle& style = NativePathStyle());

inline int32_t ChooseValue(bool flag, int32_t a, int32_t b) {
  return flag ? a : b;
}

// Raises SystemError for the platform's last error. Call it directly after
// the failing platform call.
[[noreturn]] void ThrowSystemError();
// Raises SystemError for the given code.
[[noreturn]] void ThrowSystemErrorCode(uint32_t code);
// The system's text for code, without trailing blanks, line ends and dots.
std::string SystemErrorText(uint32_t code);

// The folder of the running executable with its trailing delimiter. Fixed on
// first use (the tools call it at start-up) and never changes afterwards.
const std::string& ApplicationFolder();

// True when path names an existing folder (links followed).
bool IsDirectory(const std::string& path);

// Creates the folder and every missing parent. True when the folder exists
// afterwards; never throws for an OS failure.
bool MakeFolders(const std::string& folder);

// CreateFile, creating the folder chain first when the disposition may
// create the file (1, 2, 4). kInvalidHandle when the folders cannot be made
// or the platform fails.
TZtHandle OpenFileMakingFolders(const std::string& path, uint32_t access, uint32_t share,
                                uint32_t disposition, uint32_t flags);

// Reads the whole file into bytes (replacing their content). Raises
// SystemError when the file cannot be opened, sized or read.
void LoadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);

// Writes bytes as the file at path, replacing it whole or not at all: the
// bytes go to a temporary file in the target's folder which is then renamed
// over the target; on every failure the temporary file is removed and an
// existing target stays untouched. durable: flush the data to the disk before
// the rename (archives; not the many small bitmaps of an unpack).
// Raises "Cannot create file "%s". %s" (full path, system text) when the file
// cannot be created (also when the target is a folder), SystemError when a
// write, flush or the rename fails.
void SaveWholeFile(const std::string& path, std::span<const uint8_t> bytes, bool durable = false);

// Shows a message box through the platform. Returns the button pressed, 0
// when the box could not be shown (the console: the text could not be
// written), which the tools turn into exit status 1.
int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t style);
