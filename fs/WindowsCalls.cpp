// The Windows system calls shared by the file system's files, and the
// replacement of a file through a temporary file.
#include "fs/WindowsCalls.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "fs/WindowsTemporaryFiles.h"
#include "fs/WindowsText.h"

namespace icnkit {

namespace icn_windows {

[[noreturn]] void Throw(DWORD code, bool opening) {
  throw TSystemError(code, NativeErrorText(code), opening);
}
[[noreturn]] void ThrowLast(bool opening) {
  Throw(::GetLastError(), opening);
}

void THandle::Close() {
  const HANDLE handle = Handle;
  Handle = INVALID_HANDLE_VALUE;
  if (!::CloseHandle(handle)) ThrowLast();
}

void THandle::Discard() {
  if (Valid()) ::CloseHandle(Handle);
  Handle = INVALID_HANDLE_VALUE;
}

HANDLE Create(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return ::CreateFileW(Utf16(path).c_str(), access, share, nullptr, disposition, flags, nullptr);
}

DWORD Attributes(const std::string& path) {
  return ::GetFileAttributesW(Utf16(path).c_str());
}

void WriteAll(HANDLE file, std::span<const uint8_t> bytes, const uint64_t* offset) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    // On a handle opened for synchronous use, an OVERLAPPED only gives the
    // offset: the call still returns when the bytes are written.
    OVERLAPPED at{};
    if (offset != nullptr) {
      const uint64_t position = *offset + done;
      at.Offset = static_cast<DWORD>(position);
      at.OffsetHigh = static_cast<DWORD>(position >> 32);
    }
    if (!::WriteFile(file, bytes.data() + done, chunk, &written,
                     offset != nullptr ? &at : nullptr)) {
      ThrowLast();
    }
    if (written == 0) Throw(ERROR_DISK_FULL);
    done += written;
  }
}

// rename() cannot replace an existing file on Windows; MoveFileExW can.
// Virus scanners and indexers open a freshly written file for a moment,
// which makes the move fail with a sharing violation: retry briefly.
// Returns 0 or the error code of the last attempt.
DWORD MoveReplacing(const std::string& from, const std::string& to) {
  const std::wstring source = Utf16(from), target = Utf16(to);
  DWORD delay = 10;
  for (int attempt = 0;; ++attempt) {
    if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
    const DWORD code = ::GetLastError();
    if ((code != ERROR_SHARING_VIOLATION && code != ERROR_LOCK_VIOLATION) || attempt == 6) {
      return code;
    }
    ::Sleep(delay);  // 10, 20, ... 640 ms: about 1.3 s in all
    delay *= 2;
  }
}

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

// The temporary file beside path: created new (a leftover of another run,
// or of another process, is never overwritten; only a clash is retried),
// registered, filled at offsets, flushed when durable and moved over path.
// Dropped uncommitted, or after a failure, it is deleted.
class TTemporaryReplacement : public TFileReplacement {
 public:
  TTemporaryReplacement(std::string path, bool durable)
      : Path_(std::move(path)), Durable_(durable) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD createError = 0;
    for (unsigned attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
      Temporary_ = ZtFormat("%s.%u-%u.tmp", Path_.c_str(),
                            static_cast<unsigned>(::GetCurrentProcessId()), attempt);
      Registered_.emplace(Temporary_, [&] {
        handle = Create(Temporary_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL);
        createError = ::GetLastError();  // before anything else replaces it
        return handle != INVALID_HANDLE_VALUE;
      });
      if (handle == INVALID_HANDLE_VALUE) {
        if (Attributes(Temporary_) == INVALID_FILE_ATTRIBUTES) break;
      }
    }
    if (handle == INVALID_HANDLE_VALUE) Throw(createError, true);
    File_.Handle = handle;
  }

  ~TTemporaryReplacement() override {
    if (Committed_) return;
    File_.Discard();  // a file still open cannot be deleted
    ::DeleteFileW(Utf16(Temporary_).c_str());
  }
  TTemporaryReplacement(const TTemporaryReplacement&) = delete;
  TTemporaryReplacement& operator=(const TTemporaryReplacement&) = delete;

  void WriteAt(uint64_t offset, std::span<const uint8_t> bytes) override {
    WriteAll(File_.Handle, bytes, &offset);
  }

  void Commit() override {
    if (Durable_ && !::FlushFileBuffers(File_.Handle)) ThrowLast();
    File_.Close();
    if (const DWORD code = MoveReplacing(Temporary_, Path_)) {
      // A folder made meanwhile, a read-only target: a creation failure.
      Throw(code, IsFolder(Attributes(Path_)));
    }
    Committed_ = true;
  }

 private:
  std::string Path_;
  bool Durable_;
  std::string Temporary_;
  // Declared before the handle: unregistered only after the handle is
  // closed and the file deleted.
  std::optional<TRegisteredFile> Registered_;
  THandle File_{INVALID_HANDLE_VALUE};
  bool Committed_ = false;
};

}  // namespace

std::unique_ptr<TFileReplacement> BeginTemporaryReplace(const std::string& path, bool durable) {
  return std::make_unique<TTemporaryReplacement>(path, durable);
}

}  // namespace icn_windows

}  // namespace icnkit
