// The POSIX implementation of the platform layer: each Win32-level
// operation emulated with the POSIX calls that do the same job. Error codes
// are errno values (ENOENT is 2, as ERROR_FILE_NOT_FOUND is on Windows).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "support/ZtPlatform.h"

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace {

class TZtPosixPlatform : public TZtPlatform {
 public:
  TZtPathStyle PathStyle() override { return TZtPathStyle::Posix(); }

  uint32_t GetFileAttributes(const std::string& path) override {
    struct stat info;
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return Fail(kInvalidFileAttributes);
    return AttributesOf(info);
  }

  std::string GetFullPathName(const std::string& path) override {
    if (path.empty()) {
      LastError_ = ENOENT;
      return {};
    }
    std::string absolute = path;
    if (path[0] != '/') {
      std::vector<char> buffer(4096);
      while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return Fail(std::string());
        buffer.resize(buffer.size() * 2);
      }
      absolute = std::string(buffer.data()) + "/" + path;
    }
    return Normalise(absolute);
  }

  bool CreateDirectory(const std::string& path) override {
    return ::mkdir(path.c_str(), 0777) == 0 || Fail(false);
  }

  TZtHandle CreateFile(const std::string& path, uint32_t access, uint32_t /*share*/,
                       uint32_t disposition, uint32_t /*flags*/) override {
    int mode = O_RDONLY;
    if ((access & kGenericRead) && (access & kGenericWrite)) {
      mode = O_RDWR;
    } else if (access & kGenericWrite) {
      mode = O_WRONLY;
    }
    switch (disposition) {
      case kCreateNew:
        mode |= O_CREAT | O_EXCL;
        break;
      case kCreateAlways:
        mode |= O_CREAT | O_TRUNC;
        break;
      case kOpenExisting:
        break;
      case kOpenAlways:
        mode |= O_CREAT;
        break;
      case kTruncateExisting:
        mode |= O_TRUNC;
        break;
      default:
        LastError_ = EINVAL;
        return kInvalidHandle;
    }
    int fd;
    do {
      fd = ::open(path.c_str(), mode | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Fail(kInvalidHandle);
    // open() lets a folder be read as a file; CreateFileA does not.
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
      ::close(fd);
      LastError_ = EISDIR;
      return kInvalidHandle;
    }
    return fd;
  }

  bool ReadFile(TZtHandle file, void* buffer, uint32_t count, uint32_t* read) override {
    *read = 0;
    ssize_t n;
    do {
      n = ::read(static_cast<int>(file), buffer, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Fail(false);
    *read = static_cast<uint32_t>(n);
    return true;
  }

  bool WriteFile(TZtHandle file, const void* buffer, uint32_t count, uint32_t* written) override {
    *written = 0;
    const char* bytes = static_cast<const char*>(buffer);
    while (*written < count) {
      const ssize_t n = ::write(static_cast<int>(file), bytes + *written, count - *written);
      if (n < 0) {
        if (errno == EINTR) continue;
        return Fail(false);
      }
      if (n == 0) {
        LastError_ = ENOSPC;
        return false;
      }
      *written += static_cast<uint32_t>(n);
    }
    return true;
  }

  bool GetFileSize(TZtHandle file, uint64_t* size) override {
    struct stat info;
    if (::fstat(static_cast<int>(file), &info) != 0) return Fail(false);
    *size = static_cast<uint64_t>(info.st_size);
    return true;
  }

  bool SetFilePointer(TZtHandle file, int64_t offset, uint32_t origin, int64_t* position) override {
    const int whence = origin == kSeekBegin     ? SEEK_SET
                       : origin == kSeekCurrent ? SEEK_CUR
                                                : SEEK_END;
    const off_t result = ::lseek(static_cast<int>(file), static_cast<off_t>(offset), whence);
    if (result < 0) return Fail(false);
    if (position != nullptr) *position = result;
    return true;
  }

  bool SetEndOfFile(TZtHandle file) override {
    const off_t here = ::lseek(static_cast<int>(file), 0, SEEK_CUR);
    if (here < 0 || ::ftruncate(static_cast<int>(file), here) != 0) return Fail(false);
    return true;
  }

  bool FlushFileBuffers(TZtHandle file) override {
#if defined(__APPLE__)
    const int result = ::fsync(static_cast<int>(file));
#else
    const int result = ::fdatasync(static_cast<int>(file));
#endif
    return result == 0 || Fail(false);
  }

  bool CloseHandle(TZtHandle file) override {
    if (file == kInvalidHandle) {
      LastError_ = EBADF;
      return false;
    }
    // A failed close() has still released the descriptor; its error (e.g. a
    // late write-back failure on NFS) is reported, not retried.
    return ::close(static_cast<int>(file)) == 0 || Fail(false);
  }

  bool MoveFileReplace(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0 || Fail(false);
  }

  bool DeleteFile(const std::string& path) override {
    return ::unlink(path.c_str()) == 0 || Fail(false);
  }

  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
    struct stat source;
    if (::stat(from.c_str(), &source) != 0) return Fail(false);
    struct stat target;
    if (::stat(to.c_str(), &target) == 0) {
      // Copying a file onto itself would truncate it first: the running
      // program, for ":copyexe" started in its own folder.
      if (target.st_dev == source.st_dev && target.st_ino == source.st_ino) return true;
      if (failIfExists) {
        LastError_ = EEXIST;
        return false;
      }
    }
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(false);
    const int out =
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, source.st_mode & 07777);
    if (out < 0) {
      const bool result = Fail(false);
      ::close(in);
      return result;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
      const ssize_t n = ::read(in, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0 || Fail(false);
        break;
      }
      uint32_t written = 0;
      if (!WriteFile(out, buffer.data(), static_cast<uint32_t>(n), &written)) {
        ok = false;
        break;
      }
    }
    // The mode of an existing target is not changed by open(): set it.
    if (ok && ::fchmod(out, source.st_mode & 07777) != 0) ok = Fail(false);
    ::close(in);
    if (::close(out) != 0 && ok) ok = Fail(false);
    return ok;
  }

  TZtListResult ListDirectory(const std::string& folder,
                              std::vector<TZtDirEntry>* entries) override {
    entries->clear();
    const std::string base = folder.empty() ? "./" : (folder.back() == '/' ? folder : folder + "/");
    DIR* dir = ::opendir(base.c_str());
    if (dir == nullptr) {
      LastError_ = static_cast<uint32_t>(errno);
      return (errno == ENOENT || errno == ENOTDIR) ? TZtListResult::NotFound
                                                   : TZtListResult::Failed;
    }
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(dir);
      if (entry == nullptr) {
        if (errno != 0) {
          LastError_ = static_cast<uint32_t>(errno);
          ::closedir(dir);
          return TZtListResult::Failed;
        }
        break;
      }
      TZtDirEntry item{entry->d_name, kFileAttributeNormal};
      struct stat info;
      // Links are followed, as the tools see through them; a dangling link
      // counts as a plain file (opening it will then report the problem).
      if (::stat((base + item.Name).c_str(), &info) == 0) item.Attributes = AttributesOf(info);
      entries->push_back(std::move(item));
    }
    ::closedir(dir);
    return TZtListResult::Ok;
  }

  uint32_t GetLastError() override {
    return LastError_;
  }
  void SetLastError(uint32_t code) override {
    LastError_ = code;
  }
  std::string FormatMessage(uint32_t code) override {
    return std::strerror(static_cast<int>(code));
  }

  std::string GetModuleFileName() override {
#if defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> buffer(size + 1);
    if (_NSGetExecutablePath(buffer.data(), &size) != 0) return {};
    return GetFullPathName(buffer.data());
#else
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n < 0) return Fail(std::string());
    return std::string(buffer.data(), static_cast<size_t>(n));
#endif
  }

  uint32_t GetCurrentProcessId() override {
    return static_cast<uint32_t>(::getpid());
  }

  std::string ExecutableFileName(const std::string& programName) override {
    std::string name = programName;
    for (char& c : name) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
  }

  // Information boxes print their text on stdout; error boxes print
  // "Caption: text" on stderr. CR LF inside becomes "\n", one "\n" ends it.
  int MessageBox(const std::string& text, const std::string& caption, uint32_t style) override {
    std::string line = (style & kMbIconError) ? caption + ": " : std::string();
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      line += text[i];
    }
    line += '\n';
    FILE* stream = (style & kMbIconError) ? stderr : stdout;
    const bool ok =
        std::fwrite(line.data(), 1, line.size(), stream) == line.size() && std::fflush(stream) == 0;
    return ok ? 1 : 0;
  }

 private:
  static uint32_t AttributesOf(const struct stat& info) {
    uint32_t attributes = S_ISDIR(info.st_mode) ? kFileAttributeDirectory : kFileAttributeNormal;
    if ((info.st_mode & S_IWUSR) == 0) attributes |= kFileAttributeReadOnly;
    return attributes;
  }

  // Records errno as the last error and returns the failure value.
  template <typename T>
  T Fail(T value) {
    LastError_ = static_cast<uint32_t>(errno);
    return value;
  }

  // Lexical normalisation of an absolute path: "//" and "/./" collapse, ".."
  // removes the component before it; a trailing '/' is kept.
  static std::string Normalise(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
      size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      const std::string part = path.substr(start, end - start);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    if (result.empty()) return "/";
    const bool trailing = path.back() == '/' ||
                          (path.size() >= 2 && path.compare(path.size() - 2, 2, "/.") == 0) ||
                          (path.size() >= 3 && path.compare(path.size() - 3, 3, "/..") == 0);
    if (trailing) result += "/";
    return result;
  }

  uint32_t LastError_ = 0;
};

}  // namespace

TZtPlatform& NativeZtPlatform() {
  static TZtPosixPlatform platform;
  return platform;
}
