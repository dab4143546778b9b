// SaveWholeFile: replace a file whole or not at all.
//
// Truncating the old file and writing the new bytes into it loses the old
// file when the disk fills halfway. Instead the bytes go to a temporary file
// beside the target (same folder, so the rename stays on one volume), which
// is renamed over the target only when every byte is written.
#include <algorithm>

#include "support/ZtSysUtils.h"

namespace {

std::string TemporaryPathFor(const std::string& path, uint32_t attempt) {
  return ZtFormat("%s.%u-%u.tmp", path.c_str(),
                  static_cast<unsigned>(ZtPlatform().GetCurrentProcessId()),
                  static_cast<unsigned>(attempt));
}

[[noreturn]] void ThrowCannotCreate(const std::string& path, uint32_t code) {
  std::string full = ZtPlatform().GetFullPathName(path);
  if (full.empty()) full = path;
  throw TZtError(
      ZtFormat("Cannot create file \"%s\". %s", full.c_str(), SystemErrorText(code).c_str()));
}

// Removes the temporary file unless the save went through.
class TTemporaryFile {
 public:
  explicit TTemporaryFile(std::string path) : Path_(std::move(path)) {}
  ~TTemporaryFile() {
    if (Handle != kInvalidHandle) ZtPlatform().CloseHandle(Handle);
    if (!Committed) ZtPlatform().DeleteFile(Path_);
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  const std::string& Path() const { return Path_; }
  TZtHandle Handle = kInvalidHandle;
  bool Committed = false;

 private:
  std::string Path_;
};

// The platform's error code of the failing call, kept before cleanup calls
// can overwrite it.
[[noreturn]] void ThrowLastError(TZtPlatform& platform) {
  ThrowSystemErrorCode(platform.GetLastError());
}

}  // namespace

void SaveWholeFile(const std::string& path, std::span<const uint8_t> bytes, bool durable) {
  TZtPlatform& platform = ZtPlatform();
  // A folder of that name can never be replaced by a file.
  if (IsDirectory(path)) {
    // Ask the platform to open it as a file, for its own error code and text.
    const TZtHandle probe =
        platform.CreateFile(path, kGenericRead | kGenericWrite, 0, kOpenExisting, 0);
    const uint32_t code = platform.GetLastError();
    if (probe != kInvalidHandle) platform.CloseHandle(probe);
    ThrowCannotCreate(path, code);
  }
  if (!MakeFolders(DirectoryOfPath(path))) ThrowCannotCreate(path, platform.GetLastError());

  // A temporary name of our own: create-new, so a leftover of another run
  // (or another process) is never overwritten.
  TZtHandle handle = kInvalidHandle;
  std::string temporaryPath;
  uint32_t createError = 0;
  for (uint32_t attempt = 0; attempt < 100; ++attempt) {
    temporaryPath = TemporaryPathFor(path, attempt);
    handle = platform.CreateFile(temporaryPath, kGenericRead | kGenericWrite, 0, kCreateNew,
                                 kFileAttributeNormal);
    if (handle != kInvalidHandle) break;
    createError = platform.GetLastError();  // before the check below replaces it
    // Only a name clash is worth another attempt.
    if (platform.GetFileAttributes(temporaryPath) == kInvalidFileAttributes) break;
  }
  if (handle == kInvalidHandle) ThrowCannotCreate(path, createError);

  TTemporaryFile temporary(temporaryPath);
  temporary.Handle = handle;
  size_t done = 0;
  while (done < bytes.size()) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(bytes.size() - done, 1u << 30));
    uint32_t written = 0;
    if (!platform.WriteFile(handle, bytes.data() + done, chunk, &written)) ThrowLastError(platform);
    if (written == 0) ThrowSystemErrorCode(0);
    done += written;
  }
  if (durable && !platform.FlushFileBuffers(handle)) ThrowLastError(platform);
  temporary.Handle = kInvalidHandle;
  if (!platform.CloseHandle(handle)) ThrowLastError(platform);
  if (!platform.MoveFileReplace(temporaryPath, path)) {
    const uint32_t code = platform.GetLastError();
    // The target turned out not to be replaceable by a file (a folder made
    // meanwhile, a read-only target on Windows): that is a creation failure.
    if (IsDirectory(path)) ThrowCannotCreate(path, code);
    ThrowSystemErrorCode(code);
  }
  temporary.Committed = true;
}
