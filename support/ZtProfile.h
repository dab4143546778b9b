// ZtProfile: a portable private-profile (INI) engine, the POSIX platform's
// GetPrivateProfileString / WritePrivateProfileString.
//
// Reading: sections and keys match ASCII case-insensitively with blanks
// around names and values trimmed; one pair of matching surrounding double or
// single quotes is removed from a value; lines whose first non-blank
// character is ';' are comments; a UTF-8 BOM is skipped; CR LF and LF both
// end lines; the first of duplicate sections or keys wins.
// Writing: a value is replaced in place, a missing key is appended at the
// end of its section, a missing section at the end of the file; every other
// byte is kept, and so is the file's line-ending style (a new file uses the
// given default).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One INI document held as its text, edited in place.
class TZtProfileText {
 public:
  explicit TZtProfileText(std::string text = {}, std::string newFileLineEnd = "\n");
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  const std::string& Text() const { return Text_; }

 private:
  std::string Text_;
  std::string LineEnd_;
};

// Per-path cache of profile documents used by the POSIX platform layer.
// The first write to a document reaches the file at once; later writes are
// kept until Flush(path). Reads parse a file once per cache lifetime.
// All file access goes through SaveWholeFile / LoadWholeFile.
class TZtProfileCache {
 public:
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& defaultValue, const std::string& path);
  // False when the file cannot be written (the last error is set).
  bool Write(const std::string& section, const std::string& key, const std::string& value,
             const std::string& path);
  // Writes pending changes and forgets the document. False on failure.
  bool Flush(const std::string& path);
};

// The one cache behind the POSIX platform's profile functions.
TZtProfileCache& ZtPosixProfileCache();
