// File and message helpers over the platform layer.
#include "support/ZtSysUtils.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

std::string SystemErrorText(uint32_t code) {
  return TrimErrorText(ZtPlatform().FormatMessage(code));
}

void ThrowSystemErrorCode(uint32_t code) {
  throw SystemError(code, code == 0 ? std::string() : SystemErrorText(code));
}

void ThrowSystemError() {
  ThrowSystemErrorCode(ZtPlatform().GetLastError());
}

const std::string& ApplicationFolder() {
  static const std::string folder = DirectoryOfPath(ZtPlatform().GetModuleFileName());
  return folder;
}

bool IsDirectory(const std::string& path) {
  const uint32_t attributes = ZtPlatform().GetFileAttributes(path);
  return attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory) != 0;
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty() || IsDirectory(folder)) return true;
  const std::string full = ZtPlatform().GetFullPathName(folder);
  if (full.empty()) return false;
  const std::string parent = DirectoryOfPath(WithoutTrailingSlash(full));
  // A root is its own parent: nothing left to create.
  if (parent == folder) return true;
  if (!MakeFolders(parent)) return false;
  return ZtPlatform().CreateDirectory(full);
}

TZtHandle OpenFileMakingFolders(const std::string& path, uint32_t access, uint32_t share,
                                uint32_t disposition, uint32_t flags) {
  if (disposition == kCreateNew || disposition == kCreateAlways || disposition == kOpenAlways) {
    if (!MakeFolders(DirectoryOfPath(path))) return kInvalidHandle;
  }
  return ZtPlatform().CreateFile(path, access, share, disposition, flags);
}

namespace {

// Closes a handle on every path out of a scope.
class THandleGuard {
 public:
  explicit THandleGuard(TZtHandle handle) : Handle_(handle) {}
  ~THandleGuard() {
    if (Handle_ != kInvalidHandle) ZtPlatform().CloseHandle(Handle_);
  }
  THandleGuard(const THandleGuard&) = delete;
  THandleGuard& operator=(const THandleGuard&) = delete;

 private:
  TZtHandle Handle_;
};

}  // namespace

void LoadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  TZtPlatform& platform = ZtPlatform();
  const TZtHandle file = OpenFileMakingFolders(path, kGenericRead, kFileShareRead, kOpenExisting,
                                               kFileFlagSequentialScan | kFileAttributeNormal);
  if (file == kInvalidHandle) ThrowSystemError();
  THandleGuard guard(file);
  uint64_t size = 0;
  if (!platform.GetFileSize(file, &size)) ThrowSystemError();
  // An archive is addressed with 32-bit offsets; anything larger is not one
  // and would not fit a single read.
  if (size > 0xFFFFFFFEu) throw TZtError(ZtFormat("File too large: %s", path.c_str()));
  bytes.resize(static_cast<size_t>(size));
  if (size == 0) return;
  // Read in a loop: POSIX may return fewer bytes than asked for from one
  // read() even for a regular file.
  uint64_t done = 0;
  while (done < size) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(size - done, 1u << 30));
    uint32_t read = 0;
    if (!platform.ReadFile(file, bytes.data() + done, chunk, &read)) ThrowSystemError();
    if (read == 0) {
      platform.SetLastError(0);
      ThrowSystemError();
    }
    done += read;
  }
}

int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t style) {
  return ZtPlatform().MessageBox(text, caption, style);
}
