// The private-profile engine: an INI document kept as lines with an index,
// and the per-path cache that the POSIX platform's profile functions use.
#include "support/ZtProfile.h"

#include <span>

#include "support/ZtPlatform.h"
#include "support/ZtSysUtils.h"

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

}  // namespace

// --- TZtProfileText ---

TZtProfileText::TZtProfileText(std::string_view text, std::string newFileLineEnd)
    : LineEnd_(std::move(newFileLineEnd)) {
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
      line.End = crlf ? "\r\n" : "\n";
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

std::optional<std::string> TZtProfileText::Get(std::string_view section,
                                               std::string_view key) const {
  const auto found = SectionIndex_.find(NameKey(section));
  if (found == SectionIndex_.end()) return std::nullopt;
  const TSection& s = Sections_[found->second];
  const auto line = s.Keys.find(NameKey(key));
  if (line == s.Keys.end()) return std::nullopt;
  return ValueOf(s.Body[line->second].Text);
}

void TZtProfileText::Set(std::string_view section, std::string_view key, std::string_view value) {
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
  if (before.End.empty()) before.End = LineEnd_;
  s.Keys.emplace(NameKey(key), s.Body.size());
  s.Body.push_back(TLine{std::string(key) + "=" + std::string(value), LineEnd_});
}

void TZtProfileText::EndLastLine() {
  for (auto s = Sections_.rbegin(); s != Sections_.rend(); ++s) {
    TLine* last = !s->Tail.empty()   ? &s->Tail.back()
                  : !s->Body.empty() ? &s->Body.back()
                  : s->HasHeader     ? &s->Header
                                     : nullptr;
    if (last != nullptr) {
      if (last->End.empty()) last->End = LineEnd_;
      return;
    }
  }
}

std::string TZtProfileText::Text() const {
  size_t size = Bom_ ? 3 : 0;
  const auto measure = [&size](const TLine& line) { size += line.Text.size() + line.End.size(); };
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
    text += line.End;
  };
  for (const TSection& s : Sections_) {
    if (s.HasHeader) append(s.Header);
    for (const TLine& line : s.Body) append(line);
    for (const TLine& line : s.Tail) append(line);
  }
  return text;
}

// --- TZtProfileCache ---

namespace {

// The line end of a file the cache creates: the platform's own.
#if defined(_WIN32)
constexpr const char* kNewFileLineEnd = "\r\n";
#else
constexpr const char* kNewFileLineEnd = "\n";
#endif

// A file that is not there, or whose folder is not (Windows tells the two
// apart; POSIX reports both as ENOENT, which is 2 as well).
bool IsMissingFile(uint32_t code) {
#if defined(_WIN32)
  return code == kErrorFileNotFound || code == 3;  // ERROR_PATH_NOT_FOUND
#else
  return code == kErrorFileNotFound;
#endif
}

// Saves the document; on failure the platform's last error tells why.
bool SaveDocument(const std::string& path, const TZtProfileText& document) {
  const std::string text = document.Text();
  try {
    SaveWholeFile(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return true;
  } catch (const SystemError& error) {
    ZtPlatform().SetLastError(error.Code);
    return false;
  } catch (const TZtError&) {
    // "Cannot create file": the platform's last error is that of the
    // failing call already.
    return false;
  }
}

}  // namespace

std::string TZtProfileCache::KeyOf(const std::string& path) {
  // One document per file, however the path is spelt.
  const std::string full = ZtPlatform().GetFullPathName(path);
  return full.empty() ? path : full;
}

TZtProfileCache::TEntry* TZtProfileCache::Find(const std::string& path) {
  const std::string key = KeyOf(path);
  const auto found = Entries_.find(key);
  if (found != Entries_.end()) return &found->second;
  std::vector<uint8_t> bytes;
  try {
    LoadWholeFile(path, bytes);
  } catch (const SystemError& error) {
    // A missing file is an empty document; one that cannot be read must not
    // be overwritten with a document that lacks its content.
    if (!IsMissingFile(error.Code)) {
      ZtPlatform().SetLastError(error.Code);
      return nullptr;
    }
    bytes.clear();
  } catch (const TZtError&) {
    return nullptr;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return &Entries_.emplace(key, TEntry{TZtProfileText(text, kNewFileLineEnd)}).first->second;
}

std::string TZtProfileCache::Read(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, const std::string& path) {
  const TEntry* entry = Find(path);
  if (entry == nullptr) return defaultValue;
  return entry->Document.Get(section, key).value_or(defaultValue);
}

bool TZtProfileCache::Write(const std::string& section, const std::string& key,
                            const std::string& value, const std::string& path) {
  TEntry* entry = Find(path);
  if (entry == nullptr) return false;
  entry->Document.Set(section, key, value);
  if (entry->Saved) {
    entry->Dirty = true;
    return true;
  }
  // The first write reaches the file at once, so an unwritable folder fails
  // at that step; the failed edit is forgotten with the document.
  if (!SaveDocument(path, entry->Document)) {
    const uint32_t code = ZtPlatform().GetLastError();
    Entries_.erase(KeyOf(path));
    ZtPlatform().SetLastError(code);
    return false;
  }
  entry->Saved = true;
  return true;
}

bool TZtProfileCache::Flush(const std::string& path) {
  const auto found = Entries_.find(KeyOf(path));
  if (found == Entries_.end()) return true;
  bool ok = true;
  if (found->second.Dirty) {
    ok = SaveDocument(path, found->second.Document);
  }
  const uint32_t code = ZtPlatform().GetLastError();
  Entries_.erase(found);
  if (!ok) ZtPlatform().SetLastError(code);
  return ok;
}

TZtProfileCache& ZtPosixProfileCache() {
  static TZtProfileCache cache;
  return cache;
}
