// The one error type of icnkit, and the printf-style formatting of its
// messages. Standard library only, so every layer (format/ first) can
// raise errors without depending on anything else.
#pragma once

#include <stdexcept>
#include <string>

namespace icnkit {

// What a failure is about, for callers that act on it (the library tells a
// missing file apart): input that is not what the call takes (the default),
// a file or folder that does not exist, any other failure of the system.
enum class TZtErrorKind { Invalid, Missing, System };

// Every failure the tools report is an exception that carries the message
// text the user sees.
class TZtError : public std::runtime_error {
 public:
  explicit TZtError(const std::string& message, TZtErrorKind kind = TZtErrorKind::Invalid)
      : std::runtime_error(message), Kind(kind) {}
  TZtErrorKind Kind;
};

// printf-style formatting into a std::string (the tools' message texts).
// (MinGW: the C99 printf of its ANSI stdio, which ZtFormat uses, not msvcrt's.)
std::string ZtFormat(const char* format, ...)
#if defined(__MINGW_PRINTF_FORMAT)
    __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace icnkit
