// Locale-independent text helpers: names in archives and on disk are
// compared byte by byte, with only A-Z folded.
#pragma once

#include <string>

inline std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}
