// TIniDocument: an INI text kept as it was given, sections indexed when first
// named, edits kept beside the text and applied when it is written back.
#include "settings/IniDocument.h"

#include <algorithm>

#include "settings/IniText.h"

using namespace ini_text;

namespace {

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
  std::string text(line);
  const size_t start = text.find('=') + 1;
  size_t first = start;
  while (first < text.size() && IsBlank(text[first])) ++first;
  size_t last = text.size();
  while (last > first && IsBlank(text[last - 1])) --last;
  if (first == last) first = last = start;
  text.replace(first, last - first, value);
  return text;
}

std::string_view EndText(TIniLineEnd end) {
  return end == TIniLineEnd::CrLf ? "\r\n" : "\n";
}

}  // namespace

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

TIniDocument::TSection TIniDocument::Index(size_t headerEnd) const {
  TSection section;
  section.BodyStart = section.BodyEnd = headerEnd;
  const std::string_view text = View();
  section.Sorted = true;
  std::string_view previous;
  for (size_t offset = headerEnd; offset < text.size();) {
    const TLineSpan line = LineFrom(text, offset);
    if (SectionNameOf(line.Content)) break;
    if (const auto key = KeyNameOf(line.Content)) {
      // A line between two keys, or a key not above the one before, ends
      // the order.
      if (section.BodyEnd != offset || (!previous.empty() && CompareName(previous, *key) >= 0)) {
        section.Sorted = false;
        break;
      }
      previous = *key;
      section.BodyEnd = line.Next;
    }
    offset = line.Next;
  }
  if (section.Sorted) return section;
  section.BodyEnd = headerEnd;
  for (size_t offset = headerEnd; offset < text.size();) {
    const TLineSpan line = LineFrom(text, offset);
    if (SectionNameOf(line.Content)) break;
    if (const auto key = KeyNameOf(line.Content)) {
      if (uint64_t{offset} > kOffsetMask) break;  // beyond any file the tools read
      section.Keys.push_back(KeyHash(*key) | offset);
      section.BodyEnd = line.Next;
    }
    offset = line.Next;
  }
  std::sort(section.Keys.begin(), section.Keys.end());
  return section;
}

TIniDocument::TSection* TIniDocument::FindSection(std::string_view name) const {
  std::string key = NameKey(name);
  const auto known = Sections_.find(key);
  if (known != Sections_.end()) return known->second.get();
  std::unique_ptr<TSection>& slot = Sections_[key];
  const std::string_view text = View();
  for (size_t offset = Start_; offset < text.size();) {
    const TLineSpan line = LineFrom(text, offset);
    const auto header = SectionNameOf(line.Content);
    if (header && SameName(*header, key)) {
      slot = std::make_unique<TSection>(Index(line.Next));
      break;
    }
    offset = line.Next;
  }
  return slot.get();
}

std::string_view TIniDocument::LineAt(size_t offset) const {
  const auto edited = Edits_.find(offset);
  if (edited != Edits_.end()) return edited->second;
  return LineFrom(View(), offset).Content;
}

std::optional<TIniDocument::TKeyLine> TIniDocument::FindKey(std::string_view section,
                                                            std::string_view key) const {
  TSection* found = FindSection(section);
  if (found == nullptr) return std::nullopt;
  const std::string lowerKey = NameKey(key);
  if (found->Sorted) {
    const auto offset = FindSortedKey(View(), found->BodyStart, found->BodyEnd, lowerKey);
    if (offset) return TKeyLine{found, *offset, std::nullopt};
    return TKeyLine{found, std::nullopt, found->Added.Find(lowerKey)};
  }
  const uint64_t hash = KeyHash(lowerKey);
  // Equal hashes lie together, in the order of the lines.
  for (auto entry = std::lower_bound(found->Keys.begin(), found->Keys.end(), hash);
       entry != found->Keys.end() && (*entry & ~kOffsetMask) == hash; ++entry) {
    const size_t offset = *entry & kOffsetMask;
    if (SameName(*KeyNameOf(LineFrom(View(), offset).Content), lowerKey)) {
      return TKeyLine{found, offset, std::nullopt};
    }
  }
  return TKeyLine{found, std::nullopt, found->Added.Find(lowerKey)};
}

std::optional<std::string> TIniDocument::Get(std::string_view section, std::string_view key) const {
  const auto line = FindKey(section, key);
  if (!line) return std::nullopt;
  if (line->Offset) return ValueOf(LineAt(*line->Offset));
  if (line->Added) return ValueOf(line->Section->Added.LineAt(*line->Added));
  return std::nullopt;
}

void TIniDocument::ForEachKey(std::string_view section,
                              const std::function<void(std::string_view key)>& visit) const {
  const TSection* found = FindSection(section);
  if (found == nullptr || found->New) return;
  const std::string_view text = View();
  for (size_t offset = found->BodyStart; offset < found->BodyEnd;) {
    const TLineSpan line = LineFrom(text, offset);
    if (const auto key = KeyNameOf(line.Content)) visit(*key);
    offset = line.Next;
  }
}

void TIniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  auto line = FindKey(section, key);
  if (!line) {
    // A new section goes at the end of the document.
    std::unique_ptr<TSection>& slot = Sections_[NameKey(section)];
    slot = std::make_unique<TSection>();
    slot->New = true;
    slot->Name = std::string(section);
    if (ReservedBytes_ > 0 && NameKey(section) == Reserved_) slot->Added.Reserve(ReservedBytes_);
    NewSections_.push_back(slot.get());
    line = TKeyLine{slot.get(), std::nullopt, std::nullopt};
  }
  if (line->Offset) {
    Edits_[*line->Offset] = WithValue(LineAt(*line->Offset), value);
  } else if (line->Added) {
    TIniAddedLines& added = line->Section->Added;
    added.Edit(*line->Added, WithValue(added.LineAt(*line->Added), value));
  } else {
    // A new key goes after the section's last key (or its header), before
    // the blank lines and comments that end the section.
    line->Section->Added.Add(key, value, EndText(LineEnd_));
  }
}

void TIniDocument::Reserve(std::string_view section, size_t bytes) {
  if (TSection* found = FindSection(section)) {
    found->Added.Reserve(bytes);
  } else {
    Reserved_ = NameKey(section);
    ReservedBytes_ = bytes;
  }
}

std::string TIniDocument::Text() const {
  return Compose(nullptr);
}

std::string TIniDocument::TakeText() && {
  TSection* last = NewSections_.empty() ? nullptr : NewSections_.back();
  if (last == nullptr) return Text();
  // The last section's added lines end the text: what comes before them is
  // put in front.
  std::optional<std::string> text = last->Added.Take();
  if (!text) return Text();
  text->insert(0, Compose(last));
  return std::move(*text);
}

std::string TIniDocument::Compose(const TSection* skipped) const {
  // What goes into the text: edited lines by offset, then added keys at
  // their sections' body ends.
  std::vector<std::pair<size_t, const TSection*>> insertions;
  for (const auto& [name, section] : Sections_) {
    if (section && !section->New && !section->Added.Empty()) {
      insertions.emplace_back(section->BodyEnd, section.get());
    }
  }
  std::sort(insertions.begin(), insertions.end());
  const std::string_view original = View();
  size_t size = original.size();
  for (const auto& [offset, line] : Edits_) size += line.size();
  const auto measure = [&size, skipped](const TSection& s) {
    size += s.Name.size() + 4;
    if (&s != skipped) size += s.Added.Size();
  };
  for (const auto& [offset, section] : insertions) measure(*section);
  for (const TSection* section : NewSections_) measure(*section);

  std::string text;
  text.reserve(size);
  // The last line of the text gets a line end once something follows it.
  bool ended = original.size() == Start_ || original.back() == '\n';
  const auto endText = [&] {
    if (!ended) text += EndText(LineEnd_);
    ended = true;
  };
  const auto appendAdded = [&](const TSection& s) {
    if (&s != skipped) s.Added.AppendTo(text);
  };
  size_t copied = 0;
  auto edit = Edits_.begin();
  for (auto insertion = insertions.begin(); insertion != insertions.end() || edit != Edits_.end();) {
    // An insertion at an edited line's offset ends the section before it.
    const bool insertNext = insertion != insertions.end() &&
                            (edit == Edits_.end() || insertion->first <= edit->first);
    const size_t at = insertNext ? insertion->first : edit->first;
    text.append(original.substr(copied, at - copied));
    if (insertNext) {
      if (at == original.size()) endText();
      appendAdded(*insertion->second);
      copied = at;
      ++insertion;
    } else {
      text += edit->second;
      copied = at + LineFrom(original, at).Content.size();
      ++edit;
    }
  }
  text.append(original.substr(copied));
  for (const TSection* section : NewSections_) {
    endText();
    text += "[";
    text += section->Name;
    text += "]";
    text += EndText(LineEnd_);
    appendAdded(*section);
  }
  return text;
}
