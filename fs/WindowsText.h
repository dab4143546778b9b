// UTF-8 inside, UTF-16 at the Windows system calls: the two conversions,
// for the Windows files of fs/ and cli/. Invalid UTF-8 becomes U+FFFD.
#pragma once

#include <string>

namespace icnkit {

std::wstring Utf16(const std::string& text);
std::string Utf8(const std::wstring& text);

}  // namespace icnkit
