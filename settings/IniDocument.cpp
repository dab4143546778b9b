// TIniDocument: the text as it was given, its sections indexed when first
// named, the edits beside it until Text().
#include "settings/IniDocument.h"

#include <algorithm>
#include <utility>

#include "format/Text.h"

namespace icnkit {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// One line of text from offset: its content (no line end) and where the
// next line starts.
struct TLine {
  std::string_view Content;
  size_t Next;
};
TLine LineFrom(std::string_view text, size_t offset) {
  const size_t newline = text.find('\n', offset);
  if (newline == std::string_view::npos) return {text.substr(offset), text.size()};
  const bool crlf = newline > offset && text[newline - 1] == '\r';
  return {text.substr(offset, newline - offset - (crlf ? 1 : 0)), newline + 1};
}

// The key of the key line that text starts with: up to its first '=',
// trimmed.
std::string_view KeyOf(std::string_view text) {
  return Trim(text.substr(0, text.find('=')));
}

// <0, 0 or >0 as one trimmed name sorts before, with or after the other, in
// any case: shorter names first, names of one length byte by byte on their
// lower-case forms (so the tools' "9999.bmp" comes before "10000.bmp").
int CompareName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const auto lower = [](char c) { return static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return lower(a[i]) < lower(b[i]) ? -1 : 1;
  }
  return 0;
}

// The section name of a "[name]" line (up to ']' if there is one), or
// nullopt for any other line.
std::optional<std::string_view> SectionNameOf(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  const std::string_view name = trimmed.substr(1);
  return Trim(name.substr(0, name.find(']')));
}

// A "key=value" line with a key, not a comment (';').
bool IsKeyLine(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  const size_t equals = trimmed.find('=');
  return equals != std::string_view::npos && equals > 0 && trimmed.front() != ';';
}

std::string ValueOf(std::string_view line) {
  std::string_view value = Trim(line.substr(line.find('=') + 1));
  // One pair of matching quotes around the value is removed.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

// The line with its value's bytes replaced: the key, the blanks around the
// value and everything else stay.
std::string WithValue(std::string_view line, std::string_view value) {
  const size_t start = line.find('=') + 1;
  const std::string_view old = Trim(line.substr(start));
  const size_t first = old.empty() ? start : static_cast<size_t>(old.data() - line.data());
  return std::string(line.substr(0, first)).append(value).append(line.substr(first + old.size()));
}

std::string_view EndText(TIniLineEnd end) {
  return end == TIniLineEnd::CrLf ? "\r\n" : "\n";
}

}  // namespace

std::string IniNameKey(std::string_view name) {
  return AsciiLower(std::string(Trim(name)));
}

TIniDocument::TIniDocument(std::string_view text, TIniLineEnd defaultLineEnd)
    : TIniDocument(std::vector<uint8_t>(text.begin(), text.end()), defaultLineEnd) {}

TIniDocument::TIniDocument(std::vector<uint8_t>&& bytes, TIniLineEnd defaultLineEnd)
    : Bytes_(std::move(bytes)), LineEnd_(defaultLineEnd) {
  const std::string_view text = View();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") Start_ = 3;
  // The file's own line-ending style is the one of its first line.
  const size_t newline = text.find('\n', Start_);
  if (newline != std::string_view::npos) {
    LineEnd_ = newline > Start_ && text[newline - 1] == '\r' ? TIniLineEnd::CrLf : TIniLineEnd::Lf;
  }
}

TIniDocument::TSection* TIniDocument::FindSection(std::string_view name) const {
  const auto [entry, first] = Sections_.try_emplace(IniNameKey(name));
  if (!first) return entry->second ? &*entry->second : nullptr;
  const std::string_view text = View();
  size_t offset = Start_;
  for (std::optional<std::string_view> header; !header || CompareName(*header, entry->first);) {
    if (offset >= text.size()) return nullptr;
    const TLine line = LineFrom(text, offset);
    header = SectionNameOf(line.Content);
    offset = line.Next;
  }
  TSection& section = entry->second.emplace();
  section.Start = section.End = section.Next = offset;
  while (offset < text.size()) {
    const TLine line = LineFrom(text, offset);
    if (SectionNameOf(line.Content)) break;
    if (IsKeyLine(line.Content)) {
      section.Keys.push_back(offset);
      section.End = line.Next;
    }
    offset = line.Next;
  }
  // By key, the first line of a key first; the tools write them so.
  const auto compare = [&](size_t a, size_t b) {
    return CompareName(KeyOf(text.substr(a)), KeyOf(text.substr(b)));
  };
  const auto before = [&](size_t a, size_t b) {
    const int order = compare(a, b);
    return order < 0 || (order == 0 && a < b);
  };
  std::vector<size_t>& keys = section.Keys;
  if (!std::is_sorted(keys.begin(), keys.end(), before))
    std::sort(keys.begin(), keys.end(), before);
  section.Unique = std::adjacent_find(keys.begin(), keys.end(), [&](size_t a, size_t b) {
                     return compare(a, b) == 0;
                   }) == keys.end();
  return &section;
}

std::optional<size_t> TIniDocument::FindKey(const TSection& section,
                                            const std::string& lowerKey) const {
  const std::string_view text = View();
  // Keys taken in the order of their lines (a packer reads every frame's,
  // an unpack rewrites them) are on the line after the one found before.
  if (section.Unique && section.Next < section.End) {
    const TLine line = LineFrom(text, section.Next);
    if (IsKeyLine(line.Content) && CompareName(KeyOf(line.Content), lowerKey) == 0) {
      return std::exchange(section.Next, line.Next);
    }
  }
  const auto found = std::lower_bound(section.Keys.begin(), section.Keys.end(), lowerKey,
                                      [&](size_t place, std::string_view key) {
                                        return CompareName(KeyOf(text.substr(place)), key) < 0;
                                      });
  if (found != section.Keys.end() && CompareName(KeyOf(text.substr(*found)), lowerKey) == 0) {
    section.Next = LineFrom(text, *found).Next;
    return *found;
  }
  const auto added = section.AddedKeys.find(lowerKey);
  if (added == section.AddedKeys.end()) return std::nullopt;
  return added->second;
}

std::string_view TIniDocument::From(const TSection& section, size_t place) const {
  const size_t size = Bytes_.size();
  return place < size ? View().substr(place) : std::string_view(section.Added).substr(place - size);
}

std::string_view TIniDocument::LineAt(const TSection& section, size_t place) const {
  const auto edited = section.Edits.find(place);
  if (edited != section.Edits.end()) return edited->second;
  return LineFrom(From(section, place), 0).Content;
}

std::optional<std::string> TIniDocument::Get(std::string_view section, std::string_view key) const {
  const TSection* found = FindSection(section);
  const auto place = found ? FindKey(*found, IniNameKey(key)) : std::nullopt;
  if (!place) return std::nullopt;
  return ValueOf(LineAt(*found, *place));
}

void TIniDocument::ForEachKey(std::string_view section,
                              const std::function<void(std::string_view key)>& visit) const {
  const TSection* found = FindSection(section);
  if (found == nullptr || found->New) return;
  for (size_t offset = found->Start; offset < found->End;) {
    const TLine line = LineFrom(View(), offset);
    if (IsKeyLine(line.Content)) visit(KeyOf(line.Content));
    offset = line.Next;
  }
}

void TIniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  TSection* found = FindSection(section);
  if (found == nullptr) {
    found = &Sections_[IniNameKey(section)].emplace();
    found->New = true;
    found->Added.append("[").append(section).append("]").append(EndText(LineEnd_));
    NewSections_.push_back(found);
  }
  const std::string lowerKey = IniNameKey(key);
  if (const auto place = FindKey(*found, lowerKey)) {
    found->Edits[*place] = WithValue(LineAt(*found, *place), value);
    return;
  }
  found->AddedKeys.emplace(lowerKey, Bytes_.size() + found->Added.size());
  found->Added.append(key).append("=").append(value).append(EndText(LineEnd_));
}

void TIniDocument::AppendEdited(std::string& text, const TSection& section, size_t from,
                                size_t to) const {
  for (auto edit = section.Edits.lower_bound(from); edit != section.Edits.end() && edit->first < to;
       ++edit) {
    text.append(From(section, from).substr(0, edit->first - from));
    text += edit->second;
    from = edit->first + LineFrom(From(section, edit->first), 0).Content.size();
  }
  text.append(From(section, from).substr(0, to - from));
}

std::string TIniDocument::Text() const {
  // The text's sections that were named, in their order.
  std::vector<const TSection*> sections;
  size_t size = Bytes_.size();
  for (const auto& [name, section] : Sections_) {
    if (!section) continue;
    if (!section->New) sections.push_back(&*section);
    size += section->Added.size();
    for (const auto& [place, line] : section->Edits) size += line.size();
  }
  std::sort(sections.begin(), sections.end(),
            [](const TSection* a, const TSection* b) { return a->Start < b->Start; });

  const std::string_view original = View();
  std::string text;
  text.reserve(size);
  // The last line of the text gets a line end once something follows it.
  bool ended = original.size() == Start_ || original.back() == '\n';
  const auto endLine = [&] {
    if (!ended) text += EndText(LineEnd_);
    ended = true;
  };
  const auto appendAdded = [&](const TSection& section) {
    AppendEdited(text, section, original.size(), original.size() + section.Added.size());
  };
  size_t copied = 0;
  for (const TSection* section : sections) {
    AppendEdited(text, *section, copied, section->End);
    copied = section->End;
    if (section->Added.empty()) continue;
    if (copied == original.size()) endLine();
    appendAdded(*section);
  }
  text.append(original.substr(copied));
  for (const TSection* section : NewSections_) {
    endLine();
    appendAdded(*section);
  }
  return text;
}

}  // namespace icnkit
