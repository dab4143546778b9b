// TSettingsFile over the platform's private-profile functions, and the
// conversion of value texts to numbers.
#include "support/SettingsFile.h"

#include "support/ZtPlatform.h"
#include "support/ZtSysUtils.h"

namespace {

// The platform's read buffer holds 2048 bytes, the terminating zero
// included: longer values arrive cut.
constexpr size_t kReadBufferSize = 2048;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> ParseSettingsNumber(const std::string& value) {
  std::string text = value;
  if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.replace(0, 2, "$");
  }
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    i += 1;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;  // no digits

  uint64_t magnitude = 0;
  if (hex) {
    // Up to 32 bits; the top bit set reads as a negative number.
    for (; i < text.size(); ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0) return std::nullopt;
      magnitude = magnitude * 16 + static_cast<uint64_t>(digit);
      if (magnitude > 0xFFFFFFFFu) return std::nullopt;
    }
    const uint32_t bits = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
  }
  const uint64_t limit = negative ? uint64_t{0x80000000u} : uint64_t{0x7FFFFFFFu};
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    if (magnitude > limit) return std::nullopt;
  }
  const int64_t signedValue =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return static_cast<int32_t>(signedValue);
}

TSettingsFile::~TSettingsFile() {
  try {
    ZtPlatform().WritePrivateProfileString(nullptr, nullptr, nullptr, Path_);
  } catch (...) {
    // A destructor never throws; the keys written before the failure are on
    // disk already, since the first write of an object saves at once.
  }
}

int32_t TSettingsFile::ReadNumber(const std::string& section, const std::string& key,
                                  int32_t defaultValue) {
  std::string text = ZtPlatform().GetPrivateProfileString(section, key, "", Path_);
  if (text.size() > kReadBufferSize - 1) text.resize(kReadBufferSize - 1);
  return ParseSettingsNumber(text).value_or(defaultValue);
}

void TSettingsFile::WriteNumber(const std::string& section, const std::string& key, int32_t value) {
  const std::string text = std::to_string(value);
  if (!ZtPlatform().WritePrivateProfileString(section.c_str(), key.c_str(), text.c_str(), Path_)) {
    throw TZtError(ZtFormat("Unable to write to %s", Path_.c_str()));
  }
}

void TSettingsFile::Flush() {
  if (!ZtPlatform().WritePrivateProfileString(nullptr, nullptr, nullptr, Path_)) {
    throw TZtError(ZtFormat("Unable to write to %s", Path_.c_str()));
  }
}
