// TIniAddedLines: added key lines in one text, found by bisection while
// their keys come in order and through a hash index once they do not.
#include "settings/IniAddedLines.h"

#include "settings/IniText.h"

using namespace ini_text;

namespace {

// The line at offset begins with the key (blanks around it allowed) and its
// '='.
bool KeyBegins(std::string_view text, size_t offset, std::string_view lowerKey) {
  size_t at = offset;
  while (at < text.size() && IsBlank(text[at])) ++at;
  if (text.size() - at < lowerKey.size()) return false;
  for (const char c : lowerKey) {
    if (Lower(text[at++]) != c) return false;
  }
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at < text.size() && text[at] == '=';
}

}  // namespace

std::optional<size_t> TIniAddedLines::Find(std::string_view lowerKey) const {
  if (Text_.empty()) return std::nullopt;
  const std::string_view text = Text_;
  if (Sorted_) {
    // Every line is "key=value" with a plain key, in increasing order.
    return FindSortedKey(text, 0, text.size(), lowerKey);
  }
  const uint64_t hash = KeyHash(lowerKey);
  const size_t mask = Table_.size() - 1;
  for (size_t slot = (hash >> kOffsetBits) & mask; Table_[slot] != 0; slot = (slot + 1) & mask) {
    const uint64_t entry = Table_[slot];
    if ((entry & ~kOffsetMask) != hash) continue;
    const size_t offset = (entry & kOffsetMask) - 1;
    if (KeyBegins(text, offset, lowerKey)) return offset;
  }
  return std::nullopt;
}

std::string_view TIniAddedLines::LineAt(size_t offset) const {
  const auto edited = Edits_.find(offset);
  if (edited != Edits_.end()) return edited->second;
  return LineFrom(Text_, offset).Content;
}

void TIniAddedLines::Add(std::string_view key, std::string_view value, std::string_view lineEnd) {
  const size_t offset = Text_.size();
  Text_.append(key);
  Text_ += '=';
  Text_.append(value);
  const std::string lowerKey = NameKey(key);
  if (Sorted_) {
    const std::string_view line = std::string_view(Text_).substr(offset);
    const auto name = KeyNameOf(line);
    const bool plain = line.find('\n') == std::string_view::npos && name && *name == Trim(key);
    const bool ordered =
        Count_ == 0 || CompareName(*KeyNameOf(LineFrom(Text_, Last_).Content), lowerKey) < 0;
    if (!plain || !ordered) {
      Sorted_ = false;
      BuildTable();  // of the lines before this one
    }
  }
  Text_.append(lineEnd);
  if (!Sorted_) {
    if (2 * (Count_ + 1) > Table_.size()) {
      std::vector<uint64_t> old(2 * Table_.size(), 0);
      old.swap(Table_);
      for (const uint64_t entry : old) {
        if (entry != 0) Insert(entry);
      }
    }
    Insert(KeyHash(lowerKey) | (offset + 1));
  }
  Last_ = offset;
  ++Count_;
}

void TIniAddedLines::BuildTable() {
  size_t slots = 16;
  while (slots < 2 * (Count_ + 1)) slots *= 2;
  Table_.assign(slots, 0);
  const std::string_view text = Text_;
  for (size_t offset = 0, line = 0; line < Count_; ++line) {
    const TLineSpan span = LineFrom(text, offset);
    Insert(KeyHash(*KeyNameOf(span.Content)) | (offset + 1));
    offset = span.Next;
  }
}

void TIniAddedLines::Insert(uint64_t entry) {
  const size_t mask = Table_.size() - 1;
  size_t slot = (entry >> kOffsetBits) & mask;
  while (Table_[slot] != 0) slot = (slot + 1) & mask;
  Table_[slot] = entry;
}

void TIniAddedLines::Edit(size_t offset, std::string line) {
  Edits_[offset] = std::move(line);
}

size_t TIniAddedLines::Size() const {
  size_t size = Text_.size();
  for (const auto& [offset, line] : Edits_) {
    size = size + line.size() - LineFrom(Text_, offset).Content.size();
  }
  return size;
}

void TIniAddedLines::AppendTo(std::string& text) const {
  size_t copied = 0;
  for (const auto& [offset, line] : Edits_) {
    text.append(Text_, copied, offset - copied);
    text += line;
    copied = offset + LineFrom(Text_, offset).Content.size();
  }
  text.append(Text_, copied);
}

std::optional<std::string> TIniAddedLines::Take() {
  if (!Edits_.empty()) return std::nullopt;
  std::string text = std::move(Text_);
  *this = TIniAddedLines();
  return text;
}
