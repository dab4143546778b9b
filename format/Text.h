// Locale-independent text helpers: names in archives and on disk are
// compared byte by byte, with only A-Z folded.
#pragma once

#include <cstddef>
#include <string>

namespace icnkit {

inline std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The count and the noun, the noun plural (with an "s") unless the count is
// 1: "1 frame", "2 frames", "0 archives".
inline std::string CountOf(size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace icnkit
