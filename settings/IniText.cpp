#include "settings/IniText.h"

#include <random>

namespace ini_text {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string NameKey(std::string_view name) {
  std::string key(Trim(name));
  for (char& c : key) c = Lower(c);
  return key;
}

bool SameName(std::string_view trimmed, std::string_view lowerKey) {
  return trimmed.size() == lowerKey.size() && CompareName(trimmed, lowerKey) == 0;
}

int CompareName(std::string_view trimmed, std::string_view lowerKey) {
  if (trimmed.size() != lowerKey.size()) return trimmed.size() < lowerKey.size() ? -1 : 1;
  for (size_t i = 0; i < trimmed.size(); ++i) {
    const auto a = static_cast<uint8_t>(Lower(trimmed[i]));
    const auto b = static_cast<uint8_t>(Lower(lowerKey[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return 0;
}

std::optional<std::string_view> SectionNameOf(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  std::string_view name = trimmed.substr(1);
  const size_t close = name.find(']');
  if (close != std::string_view::npos) name = name.substr(0, close);
  return Trim(name);
}

std::optional<std::string_view> KeyNameOf(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  const size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view key = Trim(trimmed.substr(0, equals));
  if (key.empty()) return std::nullopt;
  return key;
}

uint64_t KeyHash(std::string_view name) {
  static const uint32_t seed = std::random_device()();
  uint32_t hash = 2166136261u ^ seed;  // FNV-1a over the lower-case bytes
  for (const char c : name) hash = (hash ^ static_cast<uint8_t>(Lower(c))) * 16777619u;
  return uint64_t{(hash ^ (hash >> 24)) & 0xFFFFFF} << kOffsetBits;
}

std::optional<size_t> FindSortedKey(std::string_view text, size_t begin, size_t end,
                                    std::string_view lowerKey) {
  // Each probe is moved back to the start of its line; text[begin - 1], when
  // there is one, ends the line before.
  size_t low = begin;
  size_t high = end;
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    const size_t before = middle == 0 ? std::string_view::npos : text.rfind('\n', middle - 1);
    const size_t start = before == std::string_view::npos ? 0 : before + 1;
    const TLineSpan line = LineFrom(text, start);
    const int order = CompareName(*KeyNameOf(line.Content), lowerKey);
    if (order == 0) return start;
    if (order < 0) {
      low = line.Next;
    } else {
      high = start;
    }
  }
  return std::nullopt;
}

TLineSpan LineFrom(std::string_view text, size_t offset) {
  const size_t newline = text.find('\n', offset);
  if (newline == std::string_view::npos) return {text.substr(offset), text.size()};
  const bool crlf = newline > offset && text[newline - 1] == '\r';
  return {text.substr(offset, newline - offset - (crlf ? 1 : 0)), newline + 1};
}

}  // namespace ini_text
