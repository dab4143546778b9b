// The parts of the file-system layer every platform shares.
#include "fs/FileSystem.h"

#include <utility>

namespace {

std::string MessageOf(uint32_t code, const std::string& text) {
  if (code == 0) return "A call to an OS function failed";
  return ZtFormat("System Error.  Code: %u.\r\n%s", static_cast<unsigned>(code), text.c_str());
}

}  // namespace

TSystemError::TSystemError(uint32_t code, std::string text, bool opening)
    : TZtError(MessageOf(code, text)), Code(code), Text(std::move(text)), Opening(opening) {}

std::string TrimErrorText(std::string text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 32 || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}
