// The console form of the final message, shared by every platform.
#include "cli/Report.h"

std::string ConsoleLine(const std::string& caption, const std::string& text, bool error) {
  std::string line = error ? caption + ": " : std::string();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += text[i];
  }
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
