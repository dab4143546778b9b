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
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/IniAddedLines.h"

enum class TIniLineEnd : uint8_t { None, Lf, CrLf };

// The document keeps the text it was given as it is, plus what was edited:
// the lines whose value changed and the lines and sections added (each
// section's added lines one text, see TIniAddedLines). A section
// is looked for when it is first named, and then indexed by its keys (8
// bytes a key), so that reading or writing one key costs O(log n) however
// many keys the section has (an unpack writes tens of thousands), and the
// document costs little more than its text however many lines it has.
class TIniDocument {
 public:
  explicit TIniDocument(std::string_view text = {}, TIniLineEnd defaultLineEnd = TIniLineEnd::Lf);
  explicit TIniDocument(const char* text, TIniLineEnd defaultLineEnd = TIniLineEnd::Lf)
      : TIniDocument(std::string_view(text), defaultLineEnd) {}
  explicit TIniDocument(std::span<const uint8_t> bytes,
                        TIniLineEnd defaultLineEnd = TIniLineEnd::Lf)
      : TIniDocument(std::vector<uint8_t>(bytes.begin(), bytes.end()), defaultLineEnd) {}
  // Takes the bytes without copying them.
  explicit TIniDocument(std::vector<uint8_t>&& bytes,
                        TIniLineEnd defaultLineEnd = TIniLineEnd::Lf);

  // The value of key in section, unquoted; nullopt when either is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Calls visit with the key of every key line of section in the text, in
  // their order, duplicates included (Get gives the first one's value);
  // keys added since the document was made are not visited.
  void ForEachKey(std::string_view section,
                  const std::function<void(std::string_view key)>& visit) const;
  // A hint: about bytes of key lines are to be added to section. The room is
  // made at once, or when the section is added (nothing else changes), so
  // that the text of the added lines is not copied as it grows.
  void Reserve(std::string_view section, size_t bytes);
  // The document's bytes: the original ones with the edits applied.
  std::string Text() const;
  // The same bytes, for a document about to be discarded: the lines added
  // last are moved into the result rather than copied (an unpack's setup.ini
  // is held once), and the document is left without them.
  std::string TakeText() &&;

 private:
  // A section named so far: one of the text (its first one of the name) or
  // a new one, added at the end of the document.
  struct TSection {
    bool New = false;
    std::string Name;       // a new section's name as given
    size_t BodyStart = 0;   // the text's section: after its header
    size_t BodyEnd = 0;     // where added keys go: after the last key line or the header
    // Its key lines in increasing order, nothing else between them (as the
    // tools write them): found by bisection, no index.
    bool Sorted = false;
    // Otherwise its key lines: (hash of the key << 40) | offset of the line,
    // sorted, so the first of equal keys comes first.
    std::vector<uint64_t> Keys;
    TIniAddedLines Added;  // the keys added to the section
  };
  // Where a key's line is: a line of the text (by its offset) or an added
  // line of its section.
  struct TKeyLine {
    TSection* Section = nullptr;
    std::optional<size_t> Offset;
    std::optional<size_t> Added;
  };

  // The section of that name (nullptr when there is none); looked for in the
  // text on first use.
  TSection* FindSection(std::string_view name) const;
  TSection Index(size_t headerEnd) const;
  std::optional<TKeyLine> FindKey(std::string_view section, std::string_view key) const;
  // The line at offset without its line end, as edited.
  std::string_view LineAt(size_t offset) const;
  // The text, but for the added lines of the section skipped (when given),
  // which must be the last one added.
  std::string Compose(const TSection* skipped) const;

  std::string_view View() const {
    return {reinterpret_cast<const char*>(Bytes_.data()), Bytes_.size()};
  }

  std::vector<uint8_t> Bytes_;  // the original text, BOM included
  size_t Start_ = 0;  // 3 after a BOM
  TIniLineEnd LineEnd_;
  // Sections named so far, by lower-case name; null: none of that name.
  mutable std::unordered_map<std::string, std::unique_ptr<TSection>> Sections_;
  std::vector<TSection*> NewSections_;  // in the order they were added
  std::map<size_t, std::string> Edits_;  // line offset -> the line's text now
  std::string Reserved_;     // the lower-case name of a section to be added ...
  size_t ReservedBytes_ = 0;  // ... and the room its lines get then
};
