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
//
// The text is kept as it was given and the edits beside it. A section of the
// text is found when first named and its key lines indexed then: 8 bytes a
// line, sorted by key, so that a 100 MB file costs little more than its size;
// keys read in the order of their lines are found without a search. Keys
// added are found by a hash map of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace icnkit {

enum class TIniLineEnd : uint8_t { Lf, CrLf };

// The form under which a section or key is looked for: blanks (space, tab,
// CR) around it trimmed, A-Z lowered.
std::string IniNameKey(std::string_view name);

class TIniDocument {
 public:
  explicit TIniDocument(std::string_view text = {}, TIniLineEnd defaultLineEnd = TIniLineEnd::Lf);
  explicit TIniDocument(std::span<const uint8_t> bytes,
                        TIniLineEnd defaultLineEnd = TIniLineEnd::Lf)
      : TIniDocument(std::vector<uint8_t>(bytes.begin(), bytes.end()), defaultLineEnd) {}
  // Takes the bytes without copying them.
  explicit TIniDocument(std::vector<uint8_t>&& bytes, TIniLineEnd defaultLineEnd = TIniLineEnd::Lf);

  // The value of key in section, unquoted; nullopt when either is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Calls visit with the key of every key line of section in the text, in
  // their order, duplicates included (Get gives the first one's value);
  // keys added since the document was made are not visited.
  void ForEachKey(std::string_view section,
                  const std::function<void(std::string_view key)>& visit) const;
  // The document's bytes: the original ones with the edits applied.
  std::string Text() const;

 private:
  // A section named so far: the text's first one of the name, or a new one
  // at the end of the document. A line of it is known by its place: its
  // offset in the text, or the text's size plus its offset in Added.
  struct TSection {
    bool New = false;
    size_t Start = 0;          // the text's section: after its header ...
    size_t End = 0;            // ... and after its last key line, where added lines go
    std::vector<size_t> Keys;  // the places of its key lines in the text, by key, then place
    bool Unique = false;       // no two of them have one key
    mutable size_t Next = 0;   // the line after the key line found last
    std::string Added;  // the key lines added with their line ends (a new section's header first)
    std::unordered_map<std::string, size_t> AddedKeys;  // lower-case key -> place
    std::map<size_t, std::string> Edits;                // place -> the line's text now
  };

  // The section of that name (nullptr when there is none), looked for in the
  // text and indexed on first use.
  TSection* FindSection(std::string_view name) const;
  // The place of the first line of the key (lower-case and trimmed).
  std::optional<size_t> FindKey(const TSection& section, const std::string& lowerKey) const;
  // The text or the added lines from place on.
  std::string_view From(const TSection& section, size_t place) const;
  // The line at place without its line end, as edited.
  std::string_view LineAt(const TSection& section, size_t place) const;
  // Appends the section's text or added lines between two places, with the
  // edits of their lines.
  void AppendEdited(std::string& text, const TSection& section, size_t from, size_t to) const;

  std::string_view View() const {
    return {reinterpret_cast<const char*>(Bytes_.data()), Bytes_.size()};
  }

  std::vector<uint8_t> Bytes_;  // the original text, BOM included
  size_t Start_ = 0;            // 3 after a BOM
  TIniLineEnd LineEnd_;
  // Sections named so far, by lower-case name; nullopt: none of that name.
  mutable std::unordered_map<std::string, std::optional<TSection>> Sections_;
  std::vector<const TSection*> NewSections_;  // in the order they were added
};

}  // namespace icnkit
