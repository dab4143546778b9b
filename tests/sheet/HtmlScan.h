// Reading the gallery's HTML in tests: plain string scans (std::regex makes
// GCC 12 warn falsely at -O1 with the sanitizers).
#pragma once

#include <string>
#include <vector>

// The text between each occurrence of prefix and the next '"', in order:
// Captures(html, "<img src=\"") gives every such image's address.
inline std::vector<std::string> Captures(const std::string& html, const std::string& prefix) {
  std::vector<std::string> found;
  for (size_t at = html.find(prefix); at != std::string::npos; at = html.find(prefix, at + 1)) {
    const size_t begin = at + prefix.size();
    const size_t end = html.find('"', begin);
    if (end == std::string::npos) break;
    found.push_back(html.substr(begin, end - begin));
  }
  return found;
}

// The addresses of every src="..." and href="..." attribute.
inline std::vector<std::string> Links(const std::string& html) {
  std::vector<std::string> links = Captures(html, " src=\"");
  for (const std::string& href : Captures(html, " href=\"")) links.push_back(href);
  return links;
}

// Every tag that begins with opening ("<img "), whole up to its '>'.
inline std::vector<std::string> Tags(const std::string& html, const std::string& opening) {
  std::vector<std::string> found;
  for (size_t at = html.find(opening); at != std::string::npos; at = html.find(opening, at + 1)) {
    const size_t end = html.find('>', at);
    if (end == std::string::npos) break;
    found.push_back(html.substr(at, end + 1 - at));
  }
  return found;
}

// How many of tags contain text.
inline size_t CountContaining(const std::vector<std::string>& tags, const std::string& text) {
  size_t n = 0;
  for (const std::string& tag : tags) n += tag.find(text) != std::string::npos ? 1 : 0;
  return n;
}
