// Path splitting over a path style: the delimiter sets decide where a path
// is cut.
#include "fs/Path.h"

#include <cstring>
#include <vector>

namespace icnkit {

TZtPathStyle TZtPathStyle::Windows() {
  return TZtPathStyle{"\\/:", "\\/", '\\', ".\\/:"};
}

TZtPathStyle TZtPathStyle::Posix() {
  return TZtPathStyle{"/", "/", '/', "./"};
}

namespace {

bool InSet(const char* set, char c) {
  return c != 0 && std::strchr(set, c) != nullptr;
}

}  // namespace

size_t LastDelimiter(std::string_view path, const char* set) {
  for (size_t i = path.size(); i > 0; --i) {
    if (InSet(set, path[i - 1])) return i - 1;
  }
  return std::string::npos;
}

std::string DirectoryOfPath(const std::string& path, const TZtPathStyle& style) {
  const size_t last = LastDelimiter(path, style.SplitSet);
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string NameOfPath(const std::string& path, const TZtPathStyle& style) {
  const size_t last = LastDelimiter(path, style.SplitSet);
  return last == std::string::npos ? path : path.substr(last + 1);
}

std::string ExtensionOfPath(const std::string& path, const TZtPathStyle& style) {
  const size_t last = LastDelimiter(path, style.ExtensionSet);
  if (last == std::string::npos || path[last] != '.') return {};
  return path.substr(last);
}

std::string ReplaceExtension(const std::string& path, const std::string& newExtension,
                             const TZtPathStyle& style) {
  const size_t last = LastDelimiter(path, style.ExtensionSet);
  if (last == std::string::npos || path[last] != '.') return path + newExtension;
  return path.substr(0, last) + newExtension;
}

bool IsSlashAt(std::string_view s, size_t position, const TZtPathStyle& style) {
  return position < s.size() && InSet(style.TrailingSet, s[position]);
}

std::string WithTrailingSlash(const std::string& path, const TZtPathStyle& style) {
  if (!path.empty() && IsSlashAt(path, path.size() - 1, style)) return path;
  return path + style.Delimiter;
}

std::string WithoutTrailingSlash(const std::string& path, const TZtPathStyle& style) {
  if (!path.empty() && IsSlashAt(path, path.size() - 1, style)) {
    return path.substr(0, path.size() - 1);
  }
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

}  // namespace icnkit
