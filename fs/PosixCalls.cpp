// The POSIX system calls shared by the file system's files, and the
// replacement of a file through a temporary file.
#include "fs/PosixCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

#include "fs/PosixTemporaryFiles.h"

namespace icnkit {

namespace icn_posix {

[[noreturn]] void Throw(int code, bool opening) {
  throw TSystemError(static_cast<uint32_t>(code), NativeErrorText(static_cast<uint32_t>(code)),
                     opening);
}
[[noreturn]] void ThrowErrno(bool opening) {
  Throw(errno, opening);
}

namespace {

// A temporary name of our own beside path, "<path>.<pid>-<n>.tmp", created
// new (a leftover of another run, a link planted there, is never used or
// followed; only such a clash is retried). Throws the error of the failing
// open(), Opening set.
std::unique_ptr<TRegisteredFile> CreateTemporary(const std::string& path) {
  for (unsigned attempt = 0;; ++attempt) {
    auto file = std::make_unique<TRegisteredFile>(
        ZtFormat("%s.%u-%u.tmp", path.c_str(), static_cast<unsigned>(::getpid()), attempt), O_RDWR,
        0666);
    if (file->Fd >= 0) return file;
    const int code = errno;
    if (code != EEXIST || attempt == 99) Throw(code, true);
  }
}

// Replaces path as a name: a temporary file beside it, which gets mode
// (when given; else it keeps 0666 & ~umask) before anything is written, is
// filled at offsets, flushed to the disk when durable and renamed over path.
// Every failure, and a replacement dropped uncommitted, removes the
// temporary file and leaves path as it was.
class TTemporaryReplacement : public TFileReplacement {
 public:
  TTemporaryReplacement(std::string path, const mode_t* mode, bool durable)
      : Path_(std::move(path)), Durable_(durable), File_(CreateTemporary(Path_)) {
    struct stat made;
    if (mode != nullptr && (::fstat(File_->Fd, &made) != 0 || (made.st_mode & 07777) != *mode) &&
        ::fchmod(File_->Fd, *mode) != 0) {
      ThrowErrno();
    }
  }

  void WriteAt(uint64_t offset, std::span<const uint8_t> bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      if (offset + done > uint64_t{std::numeric_limits<off_t>::max()}) Throw(EFBIG);
      const size_t chunk = std::min<size_t>(bytes.size() - done, 1u << 30);
      const ssize_t n =
          ::pwrite(File_->Fd, bytes.data() + done, chunk, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        ThrowErrno();
      }
      if (n == 0) Throw(ENOSPC);
      done += static_cast<size_t>(n);
    }
  }

  void Commit() override {
#if defined(__APPLE__)
    if (Durable_ && ::fsync(File_->Fd) != 0) ThrowErrno();
#else
    if (Durable_ && ::fdatasync(File_->Fd) != 0) ThrowErrno();
#endif
    if (!File_->Close()) ThrowErrno();
    if (::rename(File_->Path().c_str(), Path_.c_str()) != 0) {
      const int code = errno;
      // A folder made meanwhile: a creation failure.
      struct stat info;
      Throw(code, ::stat(Path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    }
    File_->Keep();
  }

 private:
  std::string Path_;
  bool Durable_;
  std::unique_ptr<TRegisteredFile> File_;
};

}  // namespace

std::unique_ptr<TFileReplacement> BeginTemporaryReplace(const std::string& path, const mode_t* mode,
                                                        bool durable) {
  return std::make_unique<TTemporaryReplacement>(path, mode, durable);
}

}  // namespace icn_posix

}  // namespace icnkit
