// Path splitting over a path style: the delimiter sets and the code page's
// double-byte lead bytes decide where a path is cut.
#include "fs/Path.h"

#include <cstring>
#include <vector>

TZtPathStyle TZtPathStyle::Windows(bool (*isLeadByte)(unsigned char)) {
  return TZtPathStyle{"\\/:", "\\/", '\\', ".\\/:", isLeadByte};
}

TZtPathStyle TZtPathStyle::Posix() {
  return TZtPathStyle{"/", "/", '/', "./", nullptr};
}

namespace {

bool InSet(const char* set, char c) {
  return c != 0 && std::strchr(set, c) != nullptr;
}

// For each byte: is it the trail byte of a double-byte character? A lead byte
// and the byte after it form one character; scanning from the front is the
// only reliable way to tell, since a trail byte may look like a lead byte.
std::vector<bool> TrailBytes(const std::string& s, const TZtPathStyle& style) {
  std::vector<bool> trail(s.size(), false);
  if (style.IsLeadByte == nullptr) return trail;
  for (size_t i = 0; i < s.size(); ++i) {
    if (style.IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      trail[i + 1] = true;
      ++i;
    }
  }
  return trail;
}

bool IsLeadAt(const std::string& s, size_t index, const std::vector<bool>& trail,
              const TZtPathStyle& style) {
  return style.IsLeadByte != nullptr && !trail[index] && index + 1 < s.size() &&
         style.IsLeadByte(static_cast<unsigned char>(s[index]));
}

}  // namespace

size_t LastDelimiter(const std::string& path, const char* set, const TZtPathStyle& style) {
  const std::vector<bool> trail = TrailBytes(path, style);
  for (size_t i = path.size(); i > 0; --i) {
    const size_t index = i - 1;
    if (trail[index]) {
      --i;  // skip the lead byte too
      continue;
    }
    if (InSet(set, path[index])) return i;
  }
  return 0;
}

std::string DirectoryOfPath(const std::string& path, const TZtPathStyle& style) {
  return path.substr(0, LastDelimiter(path, style.SplitSet, style));
}

std::string NameOfPath(const std::string& path, const TZtPathStyle& style) {
  return path.substr(LastDelimiter(path, style.SplitSet, style));
}

std::string ExtensionOfPath(const std::string& path, const TZtPathStyle& style) {
  const size_t position = LastDelimiter(path, style.ExtensionSet, style);
  if (position == 0 || path[position - 1] != '.') return {};
  return path.substr(position - 1);
}

std::string ReplaceExtension(const std::string& path, const std::string& newExtension,
                             const TZtPathStyle& style) {
  const size_t position = LastDelimiter(path, style.ExtensionSet, style);
  if (position == 0 || path[position - 1] != '.') return path + newExtension;
  return path.substr(0, position - 1) + newExtension;
}

bool IsSlashAt(const std::string& s, size_t position, const TZtPathStyle& style) {
  if (position < 1 || position > s.size()) return false;
  const size_t index = position - 1;
  if (!InSet(style.TrailingSet, s[index])) return false;
  const std::vector<bool> trail = TrailBytes(s, style);
  return !trail[index] && !IsLeadAt(s, index, trail, style);
}

std::string WithTrailingSlash(const std::string& path, const TZtPathStyle& style) {
  if (IsSlashAt(path, path.size(), style)) return path;
  return path + style.Delimiter;
}

std::string WithoutTrailingSlash(const std::string& path, const TZtPathStyle& style) {
  if (IsSlashAt(path, path.size(), style)) return path.substr(0, path.size() - 1);
  return path;
}

std::string NormaliseSlashPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  if (result.empty()) return "/";
  const bool trailing = path.back() == '/' ||
                        (path.size() >= 2 && path.compare(path.size() - 2, 2, "/.") == 0) ||
                        (path.size() >= 3 && path.compare(path.size() - 3, 3, "/..") == 0);
  if (trailing) result += "/";
  return result;
}
