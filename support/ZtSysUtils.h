// ZtSysUtils: path, file and message helpers shared by all four tools.
//
// The path operations live in fs/Path.h, included here for the callers of
// the platform layer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/Error.h"
#include "fs/FileSystem.h"
#include "fs/Path.h"
#include "support/ZtPlatform.h"

// An operating-system failure (fs/FileSystem.h).
using SystemError = TSystemError;

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
