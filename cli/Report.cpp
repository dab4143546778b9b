// The console form of the final message, shared by every platform.
#include "cli/Report.h"

namespace icnkit {

namespace {

// The length of the well-formed UTF-8 sequence starting at text[i] that is
// not a C1 control (U+0080 to U+009F, which terminals act on), or 0.
size_t PrintableUtf8Length(const std::string& text, size_t i) {
  const auto byte = [&text](size_t k) {
    return k < text.size() ? static_cast<uint8_t>(text[k]) : uint8_t{0};
  };
  const uint8_t lead = byte(i);
  size_t length = 0;
  uint8_t low = 0x80;  // the range of the second byte
  uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    if (lead == 0xC2) low = 0xA0;  // C2 80 to C2 9F are the C1 controls
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string EscapeControls(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;  // CR LF is a line end like LF
      continue;
    }
    if (c == '\n' || (c >= 0x20 && c < 0x7F)) {
      escaped += static_cast<char>(c);
      ++i;
      continue;
    }
    const size_t length = c >= 0x80 ? PrintableUtf8Length(text, i) : 0;
    if (length > 0) {
      escaped.append(text, i, length);
      i += length;
      continue;
    }
    escaped += "\\x";
    escaped += kHex[c >> 4];
    escaped += kHex[c & 0xF];
    ++i;
  }
  return escaped;
}

std::string ConsoleLine(const std::string& caption, const std::string& text, bool error) {
  std::string line = error ? EscapeControls(caption) + ": " : std::string();
  line += EscapeControls(text);
  line += '\n';
  return line;
}

namespace {

bool WriteLine(FILE* stream, const std::string& line) {
  return std::fwrite(line.data(), 1, line.size(), stream) == line.size() &&
         std::fflush(stream) == 0;
}

}  // namespace

bool TConsoleReport::Inform(const std::string& caption, const std::string& text) {
  return WriteLine(Out_, ConsoleLine(caption, text, false));
}

bool TConsoleReport::Fail(const std::string& caption, const std::string& text) {
  return WriteLine(Err_, ConsoleLine(caption, text, true));
}

}  // namespace icnkit
