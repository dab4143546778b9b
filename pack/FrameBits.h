// TFrameBits: the [Bits] values of a frame folder's setup.ini, read once
// and kept without the file's text, so that the text and the folder's
// listing are never held at once.
//
// Only the low byte of a value counts (it is what a record keeps, and the
// fill-only bit is in it), and only keys whose byte is not 0 are kept: for
// the many frames without flags nothing at all. A frame's value is what
// TSettingsFile::ReadNumber("Bits", name, 0) gives, low byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace icnkit {

class TSettingsFile;

class TFrameBits {
 public:
  explicit TFrameBits(TSettingsFile& settings);
  uint8_t Of(std::string_view frameName) const;

 private:
  std::string_view KeyAt(uint32_t start) const;

  // Per key: its value byte, its lower-case trimmed name, a NUL.
  std::string Text_;
  std::vector<uint32_t> Starts_;  // sorted by name
};

}  // namespace icnkit
