// The one exception type of the library.
//
// Every function of icnkit that fails throws icnkit::Error; nothing else
// leaves the library (std::bad_alloc included: it becomes OutOfMemory).
// what() is the message the icnkit tools show for the same failure, e.g.
//   "Invalid archive: frame table runs past the end of the file"
//   "Bitmap too large: 70000 x 70000"
//   "Cannot open file \"/home/me/a.icn\". No such file or directory"
#pragma once

#include <stdexcept>
#include <string>

#include "icnkit/export.h"

namespace icnkit {

// What a failure is about, for a caller that acts on it.
enum class ErrorKind {
  InvalidInput,  // bytes, values or files that are not what the call takes
  NotFound,      // a file or folder that does not exist
  Io,            // any other failure of the system: no permission, a full disk, ...
  OutOfMemory,
};

class ICNKIT_API Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, const std::string& message, std::string file = {});
  // The same for a failure the system reported with code.
  Error(ErrorKind kind, const std::string& message, std::string file, int code);
  ~Error() override;
  Error(const Error&) = default;
  Error& operator=(const Error&) = default;

  ErrorKind Kind() const noexcept { return kind_; }
  // The file the failure concerns where the message does not name it (the
  // frame file a pack was reading, the archive an unpack was writing out),
  // as the tools name it on the line after the message; else empty.
  const std::string& File() const noexcept { return file_; }
  // For a failure the system reported (NotFound, Io): its error number
  // (errno on POSIX, the system's error code on Windows); else 0.
  int SystemCode() const noexcept { return code_; }

 private:
  ErrorKind kind_;
  std::string file_;
  int code_ = 0;
};

}  // namespace icnkit
