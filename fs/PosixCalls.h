// What the POSIX file system's files share: errors thrown with their errno,
// and the replacement of a file through a temporary file beside it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "fs/FileSystem.h"

namespace icnkit {

namespace icn_posix {

[[noreturn]] void Throw(int code, bool opening = false);
[[noreturn]] void ThrowErrno(bool opening = false);

// A new, registered temporary file "<path>.<pid>-<n>.tmp" that replaces
// path on Commit: given mode (when not null; else 0666 & ~umask) before
// anything is written, flushed to the disk when durable. Throws the error
// of its creation, Opening set.
std::unique_ptr<TFileReplacement> BeginTemporaryReplace(const std::string& path, const mode_t* mode,
                                                        bool durable);

}  // namespace icn_posix

}  // namespace icnkit
