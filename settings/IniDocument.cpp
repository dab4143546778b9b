// TIniDocument: an INI text parsed into lines with an index of its sections
// and keys, edited in place and written back byte for byte.
#include "settings/IniDocument.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Names match without regard to ASCII case.
std::string NameKey(std::string_view name) {
  std::string key(Trim(name));
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> SectionNameOf(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  std::string_view name = trimmed.substr(1);
  const size_t close = name.find(']');
  if (close != std::string_view::npos) name = name.substr(0, close);
  return Trim(name);
}

// The key of a "key=value" line, or nullopt for blank, comment and other
// lines.
std::optional<std::string_view> KeyNameOf(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  const size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view key = Trim(trimmed.substr(0, equals));
  if (key.empty()) return std::nullopt;
  return key;
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

std::string_view EndText(TIniLineEnd end) {
  switch (end) {
    case TIniLineEnd::Lf:
      return "\n";
    case TIniLineEnd::CrLf:
      return "\r\n";
    case TIniLineEnd::None:
      break;
  }
  return {};
}

}  // namespace

TIniDocument::TIniDocument(std::string_view text, TIniLineEnd defaultLineEnd)
    : LineEnd_(defaultLineEnd) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    Bom_ = true;
    text.remove_prefix(3);
  }
  Sections_.emplace_back();
  bool styleSeen = false;
  size_t position = 0;
  while (position < text.size()) {
    TLine line;
    const size_t newline = text.find('\n', position);
    if (newline == std::string_view::npos) {
      line.Text = std::string(text.substr(position));
      position = text.size();
    } else {
      const bool crlf = newline > position && text[newline - 1] == '\r';
      line.Text = std::string(text.substr(position, newline - position - (crlf ? 1 : 0)));
      line.End = crlf ? TIniLineEnd::CrLf : TIniLineEnd::Lf;
      position = newline + 1;
      // The file's own line-ending style is the one of its first line.
      if (!styleSeen) {
        LineEnd_ = line.End;
        styleSeen = true;
      }
    }
    if (const auto name = SectionNameOf(line.Text)) {
      SectionIndex_.emplace(NameKey(*name), Sections_.size());  // the first one wins
      TSection& section = Sections_.emplace_back();
      section.HasHeader = true;
      section.Header = std::move(line);
    } else if (const auto key = KeyNameOf(line.Text)) {
      TSection& section = Sections_.back();
      // Lines between two keys belong to the body.
      for (TLine& between : section.Tail) section.Body.push_back(std::move(between));
      section.Tail.clear();
      section.Keys.emplace(NameKey(*key), section.Body.size());  // the first one wins
      section.Body.push_back(std::move(line));
    } else {
      Sections_.back().Tail.push_back(std::move(line));
    }
  }
}

std::optional<std::string> TIniDocument::Get(std::string_view section, std::string_view key) const {
  const auto found = SectionIndex_.find(NameKey(section));
  if (found == SectionIndex_.end()) return std::nullopt;
  const TSection& s = Sections_[found->second];
  const auto line = s.Keys.find(NameKey(key));
  if (line == s.Keys.end()) return std::nullopt;
  return ValueOf(s.Body[line->second].Text);
}

void TIniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const auto found = SectionIndex_.find(NameKey(section));
  if (found == SectionIndex_.end()) {
    // A new section goes at the end of the file.
    EndLastLine();
    TSection& s = Sections_.emplace_back();
    s.HasHeader = true;
    // Built by appending: prepending "[" to a temporary goes through
    // string::insert(0, ...), whose inlined copy GCC 12 flags (-Wrestrict) at -O3.
    s.Header = TLine{std::string("[").append(section).append("]"), LineEnd_};
    s.Keys.emplace(NameKey(key), 0);
    s.Body.push_back(TLine{std::string(key) + "=" + std::string(value), LineEnd_});
    SectionIndex_.emplace(NameKey(section), Sections_.size() - 1);
    return;
  }
  TSection& s = Sections_[found->second];
  const auto line = s.Keys.find(NameKey(key));
  if (line != s.Keys.end()) {
    // Only the value's bytes change; the key, the blanks around the value
    // and the line end stay.
    std::string& text = s.Body[line->second].Text;
    const size_t start = text.find('=') + 1;
    size_t first = start;
    while (first < text.size() && IsBlank(text[first])) ++first;
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    if (first == last) first = last = start;
    text.replace(first, last - first, value);
    return;
  }
  // A new key goes after the section's last key (or its header), before the
  // blank lines and comments that end the section.
  TLine& before = s.Body.empty() ? s.Header : s.Body.back();
  if (before.End == TIniLineEnd::None) before.End = LineEnd_;
  s.Keys.emplace(NameKey(key), s.Body.size());
  s.Body.push_back(TLine{std::string(key) + "=" + std::string(value), LineEnd_});
}

void TIniDocument::EndLastLine() {
  for (auto s = Sections_.rbegin(); s != Sections_.rend(); ++s) {
    TLine* last = !s->Tail.empty()   ? &s->Tail.back()
                  : !s->Body.empty() ? &s->Body.back()
                  : s->HasHeader     ? &s->Header
                                     : nullptr;
    if (last != nullptr) {
      if (last->End == TIniLineEnd::None) last->End = LineEnd_;
      return;
    }
  }
}

std::string TIniDocument::Text() const {
  size_t size = Bom_ ? 3 : 0;
  const auto measure = [&size](const TLine& line) {
    size += line.Text.size() + EndText(line.End).size();
  };
  for (const TSection& s : Sections_) {
    if (s.HasHeader) measure(s.Header);
    for (const TLine& line : s.Body) measure(line);
    for (const TLine& line : s.Tail) measure(line);
  }
  std::string text;
  text.reserve(size);
  if (Bom_) text += "\xEF\xBB\xBF";
  const auto append = [&text](const TLine& line) {
    text += line.Text;
    text += EndText(line.End);
  };
  for (const TSection& s : Sections_) {
    if (s.HasHeader) append(s.Header);
    for (const TLine& line : s.Body) append(line);
    for (const TLine& line : s.Tail) append(line);
  }
  return text;
}
