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
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One INI document, held as lines with an index of its sections and keys so
// that reading or writing one key costs O(1) amortised however many keys the
// document has (an unpack writes tens of thousands).
class TZtProfileText {
 public:
  explicit TZtProfileText(std::string_view text = {}, std::string newFileLineEnd = "\n");
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // The document's bytes: the original ones with the edits applied.
  std::string Text() const;

 private:
  struct TLine {
    std::string Text;  // without its line end
    std::string End;   // "\r\n", "\n", or "" for a last line without one
  };
  // A section: its header line, then Body up to and including its last key
  // line, then Tail (blank lines, comments, other lines) up to the next
  // section. New keys go to the end of Body, before the Tail.
  struct TSection {
    bool HasHeader = false;  // false only for the lines before any section
    TLine Header;
    std::vector<TLine> Body;
    std::vector<TLine> Tail;
    std::unordered_map<std::string, size_t> Keys;  // lower-case key -> Body index
  };

  TLine& LastLine();
  void EndLastLine();

  bool Bom_ = false;
  std::string LineEnd_;
  std::vector<TSection> Sections_;                        // [0]: lines before any section
  std::unordered_map<std::string, size_t> SectionIndex_;  // lower-case name -> first section
};

// Per-path cache of profile documents used by the POSIX platform layer.
// A document is loaded once (a missing file is an empty document). The first
// write to a document saves the file at once; later writes only edit the
// cache until Flush(path), which saves pending changes and forgets the
// document (so a later reader sees the file again). All file access goes
// through SaveWholeFile / LoadWholeFile.
class TZtProfileCache {
 public:
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& defaultValue, const std::string& path);
  // False when the file cannot be read or written (the last error is set).
  bool Write(const std::string& section, const std::string& key, const std::string& value,
             const std::string& path);
  // Writes pending changes and forgets the document. False on failure.
  bool Flush(const std::string& path);

 private:
  struct TEntry {
    TZtProfileText Document;
    bool Saved = false;  // the first write has reached the file
    bool Dirty = false;  // writes since then are only in the cache
  };
  // The cached document of path, loaded on first use; null when the file
  // exists but cannot be read (the last error is set).
  TEntry* Find(const std::string& path);
  static std::string KeyOf(const std::string& path);

  std::map<std::string, TEntry> Entries_;
};

// The one cache behind the POSIX platform's profile functions.
TZtProfileCache& ZtPosixProfileCache();
