// The POSIX file system: the system calls that do each job, errno for
// every failure.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "fs/FileSystem.h"
#include "fs/Path.h"

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace {

[[noreturn]] void Throw(int code, bool opening = false) {
  throw TSystemError(static_cast<uint32_t>(code), NativeErrorText(static_cast<uint32_t>(code)),
                     opening);
}
[[noreturn]] void ThrowErrno(bool opening = false) {
  Throw(errno, opening);
}

TPathKind KindOf(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return TPathKind::File;
  if (S_ISDIR(info.st_mode)) return TPathKind::Folder;
  return TPathKind::Other;
}

// A descriptor closed on every path out of a scope.
class TFile {
 public:
  explicit TFile(int fd) : Fd(fd) {}
  ~TFile() {
    if (Fd >= 0) ::close(Fd);
  }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  // Closes now, reporting the error of close() (a late write-back failure).
  void Close() {
    const int fd = Fd;
    Fd = -1;
    if (::close(fd) != 0) ThrowErrno();
  }
  int Fd;
};

int Open(const std::string& path, int flags, mode_t mode = 0666) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t chunk = std::min<size_t>(bytes.size() - done, 1u << 30);
    const ssize_t n = ::write(fd, bytes.data() + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno();
    }
    if (n == 0) Throw(ENOSPC);
    done += static_cast<size_t>(n);
  }
}

class TPosixFileSystem : public TFileSystem {
 public:
  TPathInfo Stat(const std::string& path) override {
    struct stat info;
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return {};
    return {KindOf(info), static_cast<uint64_t>(info.st_size)};
  }

  std::vector<uint8_t> ReadFile(const std::string& path) override {
    TFile file(Open(path, O_RDONLY));
    if (file.Fd < 0) ThrowErrno(true);
    struct stat info;
    if (::fstat(file.Fd, &info) != 0) ThrowErrno();
    // open() lets a folder be read as a file; the tools never do.
    if (S_ISDIR(info.st_mode)) Throw(EISDIR, true);
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    // An archive is addressed with 32-bit offsets; anything larger is not one
    // and would not fit a single read.
    if (size > 0xFFFFFFFEu) throw TZtError(ZtFormat("File too large: %s", path.c_str()));
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    // Read in a loop: read() may return fewer bytes than asked for even for
    // a regular file. A file that ends early is a failure without a code.
    size_t done = 0;
    while (done < bytes.size()) {
      const size_t chunk = std::min<size_t>(bytes.size() - done, 1u << 30);
      const ssize_t n = ::read(file.Fd, bytes.data() + done, chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ThrowErrno();
      if (n == 0) Throw(0);
      done += static_cast<size_t>(n);
    }
    return bytes;
  }

  void WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes,
                       bool durable) override {
    // A folder of that name can never be replaced by a file; opening it for
    // writing gives the system's own error code.
    if (Stat(path).Kind == TPathKind::Folder) {
      TFile probe(Open(path, O_RDWR));
      Throw(probe.Fd < 0 ? errno : EISDIR, true);
    }
    // A temporary name of our own: create-new, so a leftover of another run
    // (or another process) is never overwritten; only a clash is retried.
    std::string temporary;
    int fd = -1;
    int createError = 0;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      temporary = ZtFormat("%s.%u-%u.tmp", path.c_str(), static_cast<unsigned>(::getpid()),
                           attempt);
      fd = Open(temporary, O_RDWR | O_CREAT | O_EXCL);
      if (fd < 0) {
        createError = errno;
        if (createError != EEXIST) break;
      }
    }
    if (fd < 0) Throw(createError, true);
    TFile file(fd);
    try {
      WriteAll(file.Fd, bytes);
#if defined(__APPLE__)
      if (durable && ::fsync(file.Fd) != 0) ThrowErrno();
#else
      if (durable && ::fdatasync(file.Fd) != 0) ThrowErrno();
#endif
      file.Close();
      if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = errno;
        // A folder made meanwhile: a creation failure.
        Throw(code, Stat(path).Kind == TPathKind::Folder);
      }
    } catch (...) {
      ::unlink(temporary.c_str());
      throw;
    }
  }

  bool WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) override {
    TFile file(Open(path, O_WRONLY | O_CREAT | O_EXCL));
    if (file.Fd < 0) {
      if (errno == EEXIST) return false;
      ThrowErrno(true);
    }
    try {
      WriteAll(file.Fd, bytes);
      file.Close();
    } catch (...) {
      ::unlink(path.c_str());
      throw;
    }
    return true;
  }

  std::vector<TFolderEntry> ListFolder(const std::string& folder) override {
    const std::string base = folder.empty() ? "./" : WithTrailingSlash(folder, TZtPathStyle::Posix());
    DIR* dir = ::opendir(base.c_str());
    if (dir == nullptr) {
      if (errno == ENOENT || errno == ENOTDIR) return {};
      ThrowErrno();
    }
    std::vector<TFolderEntry> entries;
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(dir);
      if (entry == nullptr) {
        const int code = errno;
        ::closedir(dir);
        if (code != 0) Throw(code);
        return entries;
      }
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      // Links are followed; a dangling one counts as a file (opening it
      // then reports the problem).
      const TPathKind kind = Stat(base + name).Kind;
      entries.push_back({name, kind == TPathKind::Missing ? TPathKind::File : kind});
    }
  }

  bool MakeFolder(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    const int code = errno;
    if (code == EEXIST && Stat(path).Kind == TPathKind::Folder) return false;
    Throw(code);
  }

  bool Remove(const std::string& path) override {
    if (::unlink(path.c_str()) == 0) return true;
    if (errno == ENOENT) return false;
    ThrowErrno();
  }

  void CopyFile(const std::string& from, const std::string& to) override {
    struct stat source;
    if (::stat(from.c_str(), &source) != 0) ThrowErrno();
    struct stat target;
    // Copying a file onto itself would truncate it first: the running
    // program, for ":copyexe" started in its own folder.
    if (::stat(to.c_str(), &target) == 0 && target.st_dev == source.st_dev &&
        target.st_ino == source.st_ino) {
      return;
    }
    TFile in(Open(from, O_RDONLY));
    if (in.Fd < 0) ThrowErrno();
    const mode_t mode = source.st_mode & 07777;
    TFile out(Open(to, O_WRONLY | O_CREAT | O_TRUNC, mode));
    if (out.Fd < 0) ThrowErrno(true);
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
      const ssize_t n = ::read(in.Fd, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ThrowErrno();
      if (n == 0) break;
      WriteAll(out.Fd, std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
    }
    // The mode of an existing target is not changed by open(): set it.
    if (::fchmod(out.Fd, mode) != 0) ThrowErrno();
    out.Close();
  }

  std::string FullPath(const std::string& path) override {
    if (path.empty()) return {};
    std::string absolute = path;
    if (path[0] != '/') {
      std::vector<char> buffer(4096);
      while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
      }
      absolute = std::string(buffer.data()) + "/" + path;
    }
    return NormaliseSlashPath(absolute);
  }

  std::string ExecutablePath() override {
#if defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> buffer(size + 1);
    if (_NSGetExecutablePath(buffer.data(), &size) != 0) Throw(ENAMETOOLONG);
    return FullPath(buffer.data());
#else
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n < 0) ThrowErrno();
    return std::string(buffer.data(), static_cast<size_t>(n));
#endif
  }
};

}  // namespace

std::unique_ptr<TFileSystem> MakeNativeFileSystem() {
  return std::make_unique<TPosixFileSystem>();
}

std::string NativeErrorText(uint32_t code) {
  return TrimErrorText(std::strerror(static_cast<int>(code)));
}

TZtPathStyle NativePathStyle() {
  return TZtPathStyle::Posix();
}

std::string ExecutableFileName(const std::string& programName) {
  std::string name = programName;
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}
