// Fuzz target: the file-search pattern matcher against a plain dynamic-
// programming matcher, and the natural order's laws on triples of names.
// The input is up to three strings separated by bytes 0.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fs/FindFile.h"
#include "fuzz/FuzzCheck.h"

using namespace icnkit;

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// at(i, j): pattern[i..] matches name[j..]. Quadratic, which is why the
// inputs stay short.
bool SlowWildcard(std::string_view pattern, std::string_view name) {
  const size_t p = pattern.size(), n = name.size();
  std::vector<uint8_t> match((p + 1) * (n + 1), 0);
  const auto at = [n, &match](size_t i, size_t j) -> uint8_t& { return match[i * (n + 1) + j]; };
  at(p, n) = 1;
  for (size_t i = p; i-- > 0;) {
    for (size_t j = n + 1; j-- > 0;) {
      if (pattern[i] == '*') {
        at(i, j) = at(i + 1, j) || (j < n && at(i, j + 1));
      } else if (j < n && (pattern[i] == '?' || Lower(pattern[i]) == Lower(name[j]))) {
        at(i, j) = at(i + 1, j + 1);
      }
    }
  }
  return at(0, 0) != 0;
}

// "x.*" also matches a name without a dot that "x" matches.
bool SlowMask(std::string_view pattern, std::string_view name) {
  if (SlowWildcard(pattern, name)) return true;
  return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
         name.find('.') == std::string_view::npos &&
         SlowWildcard(pattern.substr(0, pattern.size() - 2), name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256) return 0;  // the reference matcher is quadratic
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::array<std::string_view, 3> s;
  size_t start = 0;
  for (size_t k = 0; k < 3 && start <= input.size(); ++k) {
    const size_t end = k == 2 ? input.size() : std::min(input.find('\0', start), input.size());
    s[k] = input.substr(start, end - start);
    start = end + 1;
  }

  for (size_t p = 0; p < 3; ++p) {
    for (size_t n = 0; n < 3; ++n) FUZZ_CHECK(MaskMatches(s[p], s[n]) == SlowMask(s[p], s[n]));
  }

  // A strict total order: irreflexive, asymmetric, total and transitive.
  bool less[3][3];
  for (size_t a = 0; a < 3; ++a) {
    for (size_t b = 0; b < 3; ++b) less[a][b] = NaturalLess(s[a], s[b]);
  }
  for (size_t a = 0; a < 3; ++a) {
    FUZZ_CHECK(!less[a][a]);
    for (size_t b = 0; b < 3; ++b) {
      FUZZ_CHECK(!(less[a][b] && less[b][a]));
      FUZZ_CHECK(s[a] == s[b] || less[a][b] || less[b][a]);
      for (size_t c = 0; c < 3; ++c) FUZZ_CHECK(!(less[a][b] && less[b][c]) || less[a][c]);
    }
  }
  return 0;
}
