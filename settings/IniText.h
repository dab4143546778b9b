// The reading of INI lines shared by TIniDocument and TIniAddedLines: names
// match ASCII case-insensitively with blanks around them trimmed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ini_text {

bool IsBlank(char c);
std::string_view Trim(std::string_view text);
char Lower(char c);
// The trimmed, lower-case form under which a name is looked for.
std::string NameKey(std::string_view name);
bool SameName(std::string_view trimmed, std::string_view lowerKey);
// <0, 0 or >0 as trimmed sorts before, with or after lowerKey: shorter names
// first, names of one length byte by byte on their lower-case forms (so
// "9999.bmp" comes before "10000.bmp"). Both are taken trimmed; either may
// be in any case.
int CompareName(std::string_view trimmed, std::string_view lowerKey);

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> SectionNameOf(std::string_view line);
// The key of a "key=value" line, or nullopt for blank, comment and other
// lines.
std::optional<std::string_view> KeyNameOf(std::string_view line);

// Key-index entries: 24 bits of the key's hash above 40 bits of an offset
// (a text below 1 TiB).
constexpr int kOffsetBits = 40;
constexpr uint64_t kOffsetMask = (uint64_t{1} << kOffsetBits) - 1;
// The hash of a name, case-insensitive, already shifted above the offset
// bits. The seed is the process's own, so that no file can be made whose
// keys all fall together.
uint64_t KeyHash(std::string_view name);

// One line of text from offset: its content (no line end) and where the
// next line starts.
struct TLineSpan {
  std::string_view Content;
  size_t Next;
};
TLineSpan LineFrom(std::string_view text, size_t offset);

// The offset of the line of lowerKey in [begin, end) of text, found by
// bisection: the range is whole lines (begin at a line's start), every one a
// key line, with keys in increasing CompareName order. Nullopt when absent.
std::optional<size_t> FindSortedKey(std::string_view text, size_t begin, size_t end,
                                    std::string_view lowerKey);

}  // namespace ini_text
