// TIniDocument: one private-profile (INI) text held in memory. It knows bytes
// only: no files, no platform.
//
// Reading: sections and keys match ASCII case-insensitively with blanks
// around names and values trimmed; one pair of matching surrounding double or
// single quotes is removed from a value; lines whose first non-blank
// character is ';' are comments; a UTF-8 BOM is skipped; CR LF and LF both
// end lines; the first of duplicate sections or keys wins.
// Writing: a value is replaced in place, a missing key is appended at the
// end of its section, a missing section at the end of the document; every
// other byte is kept, and so is the document's line-ending style (that of
// its first line; an empty document or one without line ends uses the
// given default).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class TIniLineEnd : uint8_t { None, Lf, CrLf };

// The document is held as lines with an index of its sections and keys, so
// that reading or writing one key costs O(1) amortised however many keys the
// document has (an unpack writes tens of thousands).
class TIniDocument {
 public:
  explicit TIniDocument(std::string_view text = {}, TIniLineEnd defaultLineEnd = TIniLineEnd::Lf);
  explicit TIniDocument(std::span<const uint8_t> bytes,
                        TIniLineEnd defaultLineEnd = TIniLineEnd::Lf)
      : TIniDocument(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                     defaultLineEnd) {}

  // The value of key in section, unquoted; nullopt when either is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // The document's bytes: the original ones with the edits applied.
  std::string Text() const;

 private:
  struct TLine {
    std::string Text;  // without its line end
    TIniLineEnd End = TIniLineEnd::None;
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

  void EndLastLine();

  bool Bom_ = false;
  TIniLineEnd LineEnd_;
  std::vector<TSection> Sections_;                        // [0]: lines before any section
  std::unordered_map<std::string, size_t> SectionIndex_;  // lower-case name -> first section
};
