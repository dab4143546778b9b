// Path splitting over a path style: which bytes delimit folders, which
// delimiter is added, which bytes end an extension search, and (for a
// double-byte code page) which bytes start a two-byte character.
//
// The native style is the platform's (NativePathStyle, defined in the
// platform file): POSIX: only '/' delimits; Windows: "\/:" with '\' added.
// Strings are UTF-8 on every platform, where no byte of a multi-byte
// character is an ASCII delimiter, so the native styles need no lead bytes;
// the lead-byte predicate serves paths in a double-byte code page.
// Positions are 1-based: position 1 is the first character.
#pragma once

#include <cstddef>
#include <string>

struct TZtPathStyle {
  const char* SplitSet;               // delimiters that end a folder part
  const char* TrailingSet;            // delimiters the trailing-slash operations see
  char Delimiter;                     // the delimiter that is added
  const char* ExtensionSet;           // bytes that end an extension search
  bool (*IsLeadByte)(unsigned char);  // null: no double-byte characters

  // "\/:" splitting, '\' added; lead bytes from the given predicate.
  static TZtPathStyle Windows(bool (*isLeadByte)(unsigned char) = nullptr);
  // "/" only; UTF-8 never puts '/' inside a character.
  static TZtPathStyle Posix();
};

// The native path style of this build's platform.
TZtPathStyle NativePathStyle();

// The file name of a tool's executable: "dravel" on POSIX, "Dravel.exe" on
// Windows, for the program name "Dravel".
std::string ExecutableFileName(const std::string& programName);

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

// Lexical normalisation of an absolute path spelled with '/': "//" and "/./"
// collapse, ".." removes the part before it (none at the root); a trailing
// '/' (or "/.", "/..") stays as one '/'. No file is looked at.
std::string NormaliseSlashPath(const std::string& path);
