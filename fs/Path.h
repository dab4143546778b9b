// Path splitting over a path style: which bytes delimit folders, which
// delimiter is added, which bytes end an extension search.
//
// The native style is the platform's (NativePathStyle, defined in the
// platform file): POSIX: only '/' delimits; Windows: "\/:" with '\' added.
// Strings are UTF-8 on every platform, where no byte of a multi-byte
// character is an ASCII delimiter, so every byte is looked at alone.
// Positions count from 0; std::string::npos is "none".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace icnkit {

struct TZtPathStyle {
  const char* SplitSet;      // delimiters that end a folder part
  const char* TrailingSet;   // delimiters the trailing-slash operations see
  char Delimiter;            // the delimiter that is added
  const char* ExtensionSet;  // bytes that end an extension search

  // "\/:" splitting, '\' added.
  static TZtPathStyle Windows();
  // "/" only; UTF-8 never puts '/' inside a character.
  static TZtPathStyle Posix();
};

// The native path style of this build's platform.
TZtPathStyle NativePathStyle();

// The file name of a tool's executable: "dravel" on POSIX, "Dravel.exe" on
// Windows, for the program name "Dravel".
std::string ExecutableFileName(const std::string& programName);

// Position of the last byte of set in path, npos when none. Bytes of value
// 0 never delimit.
size_t LastDelimiter(std::string_view path, const char* set);

// The path up to and including its last delimiter; empty if it has none.
std::string DirectoryOfPath(const std::string& path, const TZtPathStyle& style = NativePathStyle());
// Everything after the last delimiter; the whole path if it has none.
std::string NameOfPath(const std::string& path, const TZtPathStyle& style = NativePathStyle());
// The extension with its dot, case kept, or empty.
std::string ExtensionOfPath(const std::string& path, const TZtPathStyle& style = NativePathStyle());
// The path without its extension, followed by newExtension (may be empty).
std::string ReplaceExtension(const std::string& path, const std::string& newExtension,
                             const TZtPathStyle& style = NativePathStyle());
// True when position lies inside s and holds a delimiter of the style's
// trailing set.
bool IsSlashAt(std::string_view s, size_t position, const TZtPathStyle& style = NativePathStyle());
// The path ending in a delimiter (the style's delimiter added when needed).
std::string WithTrailingSlash(const std::string& path,
                              const TZtPathStyle& style = NativePathStyle());
// The path without one trailing delimiter.
std::string WithoutTrailingSlash(const std::string& path,
                                 const TZtPathStyle& style = NativePathStyle());

// Lexical normalisation of an absolute path spelled with '/': "//" and "/./"
// collapse, ".." removes the part before it (none at the root); a trailing
// '/' (or "/.", "/..") stays as one '/'. No file is looked at.
std::string NormaliseSlashPath(const std::string& path);

}  // namespace icnkit
