// The POSIX file system: the system calls that do each job, errno for
// every failure.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "fs/FileSystem.h"
#include "fs/Pages.h"
#include "fs/Path.h"
#include "fs/PosixCalls.h"
#include "fs/PosixTemporaryFiles.h"

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace icnkit {

namespace {

using namespace icn_posix;

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
  TFile(TFile&& other) noexcept : Fd(other.Fd) { other.Fd = -1; }
  TFile& operator=(const TFile&) = delete;
  // Closes now, reporting the error of close() (a late write-back failure).
  void Close() {
    const int fd = Fd;
    Fd = -1;
    if (::close(fd) != 0) ThrowErrno();
  }
  int Fd;
};

// Zeroed room for a whole file. A large one is asked to be backed by huge
// pages where the system offers them: the first touch then faults once per
// 2 MiB rather than per page, which for an archive of tens of megabytes was
// most of an unpacker's time. Only a hint; the bytes are the same.
std::vector<uint8_t> FileBuffer(size_t size) {
  std::vector<uint8_t> bytes;
  bytes.reserve(size);
#ifdef MADV_HUGEPAGE
  if (size >= (size_t{2} << 20)) {
    const std::span<uint8_t> pages = WholePages(std::span<uint8_t>(bytes.data(), size));
    if (!pages.empty()) ::madvise(pages.data(), pages.size(), MADV_HUGEPAGE);
  }
#endif
  bytes.resize(size);
  return bytes;
}

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
    uint64_t size = 0;
    const TFile file = OpenRegular(path, size);
    // An archive is addressed with 32-bit offsets; anything larger is not one
    // and would not fit a single read.
    if (size > 0xFFFFFFFEu) throw TZtError(ZtFormat("File too large: %s", path.c_str()));
    std::vector<uint8_t> bytes = FileBuffer(static_cast<size_t>(size));
    ReadAll(file.Fd, bytes);
    return bytes;
  }

  std::vector<uint8_t> ReadFileHead(const std::string& path, size_t limit,
                                    uint64_t& size) override {
    const TFile file = OpenRegular(path, size);
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min<uint64_t>(size, limit)));
    ReadAll(file.Fd, bytes);
    return bytes;
  }

  std::unique_ptr<TFileReplacement> StartReplace(const std::string& path, bool durable) override {
    // A folder of that name can never be replaced by a file; opening it for
    // writing gives the system's own error code.
    if (Stat(path).Kind == TPathKind::Folder) {
      TFile probe(Open(path, O_RDWR));
      Throw(probe.Fd < 0 ? errno : EISDIR, true);
    }
    // The permission bits of the file replaced (links followed: the content
    // may have come through one), or those of a new file.
    struct stat old;
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    const mode_t mode = replacing ? old.st_mode & 0777 : 0;
    return BeginTemporaryReplace(path, replacing ? &mode : nullptr, durable);
  }

  bool WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) override {
    // Registered until complete: a signal, like a failure, removes it.
    TRegisteredFile file(path, O_WRONLY, 0666);
    if (file.Fd < 0) {
      if (errno == EEXIST) return false;
      ThrowErrno(true);
    }
    WriteAll(file.Fd, bytes);
    if (!file.Close()) ThrowErrno();
    file.Keep();
    return true;
  }

  TFolderListing ListFolder(const std::string& folder) override {
    const std::string base =
        folder.empty() ? "./" : WithTrailingSlash(folder, TZtPathStyle::Posix());
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(base.c_str()), ::closedir);
    if (dir == nullptr) {
      if (errno == ENOENT || errno == ENOTDIR) return {};
      ThrowErrno();
    }
    const auto next = [&dir] {
      errno = 0;
      const dirent* entry = ::readdir(dir.get());
      if (entry == nullptr && errno != 0) ThrowErrno();
      return entry;
    };
    // Sized by a first pass over the names: a folder of 65,535 frames is
    // held in two blocks of its size, not in the leftovers of growth.
    size_t count = 0, bytes = 0;
    while (const dirent* entry = next()) {
      ++count;
      bytes += std::strlen(entry->d_name);
    }
    ::rewinddir(dir.get());
    TFolderListing entries;
    entries.Reserve(count, bytes);
    std::string path = base;
    while (const dirent* entry = next()) {
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      // Links are followed; a dangling one counts as a file (opening it
      // then reports the problem).
      path.resize(base.size());
      path += name;
      const TPathKind kind = Stat(path).Kind;
      entries.Add(name, kind == TPathKind::Missing ? TPathKind::File : kind);
    }
    return entries;
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

  bool RemoveFolder(const std::string& path) override {
    if (::rmdir(path.c_str()) == 0) return true;
    if (errno == ENOENT || errno == ENOTEMPTY || errno == EEXIST) return false;
    ThrowErrno();
  }

  void CopyInto(const std::string& from, const std::string& to) override {
    struct stat source;
    if (::stat(from.c_str(), &source) != 0) ThrowErrno();
    // Copying a file onto itself would truncate it first: the running
    // program, for ":copyexe" started in its own folder. A link at to is
    // not it: the link is replaced by the copy.
    struct stat target;
    if (::lstat(to.c_str(), &target) == 0 && target.st_dev == source.st_dev &&
        target.st_ino == source.st_ino) {
      return;
    }
    TFile in(Open(from, O_RDONLY));
    if (in.Fd < 0) ThrowErrno();
    const mode_t mode = source.st_mode & 07777;
    const std::unique_ptr<TFileReplacement> copy = BeginTemporaryReplace(to, &mode, false);
    std::vector<uint8_t> buffer(1 << 16);
    for (uint64_t at = 0;;) {
      const ssize_t n = ::read(in.Fd, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ThrowErrno();
      if (n == 0) break;
      copy->WriteAt(at, std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
      at += static_cast<uint64_t>(n);
    }
    copy->Commit();
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
    return ReadLink("/proc/self/exe");
#endif
  }

  bool IsLinkOfAnotherUser(const std::string& path) override {
    // "link/" would name the link's target: the name without its slashes.
    std::string name = path;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    struct stat info;
    if (name.empty() || ::lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
    return info.st_uid != ::geteuid() && info.st_uid != 0;
  }

  std::string ResolveLinks(const std::string& path) override {
    std::string current = path;
    // As many links as the system follows in one path.
    for (int hop = 0; hop < 40; ++hop) {
      struct stat info;
      if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
      // Another user's link is where the caller's rule stops.
      if (info.st_uid != ::geteuid() && info.st_uid != 0) return current;
      std::string target;
      try {
        target = ReadLink(current);
      } catch (const TSystemError&) {
        return current;
      }
      // A relative target is taken against the link's folder.
      if (target[0] == '/') {
        current = target;
      } else {
        current = DirectoryOfPath(current, TZtPathStyle::Posix()).append(target);
      }
    }
    return current;
  }

 private:
  // The regular file at path, opened for reading, and its size. Only
  // regular files are read. A FIFO would block open() until a writer comes,
  // a device may act on being opened: both are refused before opening, and
  // again on what was opened (without blocking), in case the name changed
  // meanwhile.
  static TFile OpenRegular(const std::string& path, uint64_t& size) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && KindOf(info) == TPathKind::Other) {
      throw icnkit::TNotRegularFile(path);
    }
    TFile file(Open(path, O_RDONLY | O_NONBLOCK));
    if (file.Fd < 0) ThrowErrno(true);
    if (::fstat(file.Fd, &info) != 0) ThrowErrno();
    // open() lets a folder be read as a file; the tools never do.
    if (S_ISDIR(info.st_mode)) Throw(EISDIR, true);
    if (!S_ISREG(info.st_mode)) throw icnkit::TNotRegularFile(path);
    const int flags = ::fcntl(file.Fd, F_GETFL);
    if (flags < 0 || ::fcntl(file.Fd, F_SETFL, flags & ~O_NONBLOCK) != 0) ThrowErrno();
    size = static_cast<uint64_t>(info.st_size);
    return file;
  }

  // Fills bytes from fd. Read in a loop: read() may return fewer bytes than
  // asked for even for a regular file. A file that ends early (it shrank
  // meanwhile) is a failure without a code.
  static void ReadAll(int fd, std::span<uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const size_t chunk = std::min<size_t>(bytes.size() - done, 1u << 30);
      const ssize_t n = ::read(fd, bytes.data() + done, chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ThrowErrno();
      if (n == 0) throw TSystemError(0, kFileEndedEarly);
      done += static_cast<size_t>(n);
    }
  }

  // The target of the link at path, however long. Throws TSystemError.
  static std::string ReadLink(const std::string& path) {
    std::vector<char> buffer(4096);
    for (;;) {
      const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
      if (n < 0) ThrowErrno();
      if (static_cast<size_t>(n) < buffer.size()) {
        return std::string(buffer.data(), static_cast<size_t>(n));
      }
      buffer.resize(buffer.size() * 2);
    }
  }
};

}  // namespace

std::unique_ptr<TFileSystem> MakeNativeFileSystem() {
  InstallTemporaryFileHandlers();
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

}  // namespace icnkit
