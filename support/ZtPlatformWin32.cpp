// The Win32 implementation of the platform layer: each operation is the
// Win32 function of the same name with the arguments the tools pass, and
// error codes are GetLastError() values.
//
// One operation deliberately does not use the function of its name:
// directory listing. FindFirstFileA/FindNextFileA enumerate folder + "*";
// the wildcard mask is applied above, by TZtFindFile. The system's own mask
// matching also matches 8.3 short names ("*.bmp" would hand out x.bmpx),
// and its order depends on the volume; one matcher and one order on every
// platform is the deterministic choice. (Settings files do not go through
// the platform at all: see settings/.)
#include "support/ZtPlatform.h"
//
#include "support/ZtWindows.h"
//
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "support/ZtPlatformWin32.h"
#include "support/ZtSysUtils.h"

namespace {

int DefaultMessageBox(void* owner, const char* text, const char* caption, uint32_t type) {
  return ::MessageBoxA(static_cast<HWND>(owner), text, caption, type);
}

TZtMessageBoxFunction MessageBoxFunction = DefaultMessageBox;

// Lead bytes of the ANSI code page, read once; null predicate on single-byte
// code pages so the path helpers skip the double-byte scan entirely.
bool LeadBytes[256];

bool IsAnsiLeadByte(unsigned char c) {
  return LeadBytes[c];
}

bool (*ReadLeadBytes())(unsigned char) {
  bool any = false;
  for (int c = 0; c < 256; ++c) {
    LeadBytes[c] = ::IsDBCSLeadByte(static_cast<BYTE>(c)) != 0;
    any = any || LeadBytes[c];
  }
  return any ? IsAnsiLeadByte : nullptr;
}

HANDLE AsHandle(TZtHandle file) {
  return reinterpret_cast<HANDLE>(file);
}

bool IsRedirected(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = ::GetFileType(handle);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Whether message boxes go to the console. A drop onto the program or its
// shortcut starts it from Explorer, without a console: real boxes. Started
// from a console (cmd, PowerShell, a script) or with output redirected, a
// box would block the caller: the text goes to the console instead.
// ICNKIT_CONSOLE=1 forces console mode, ICNKIT_CONSOLE=0 forces boxes.
bool DetectConsoleMode() {
  char forced[8] = {};
  if (::GetEnvironmentVariableA("ICNKIT_CONSOLE", forced, sizeof forced) == 1) {
    if (forced[0] == '1') return true;
    if (forced[0] == '0') return false;
  }
  if (IsRedirected(STD_OUTPUT_HANDLE) || IsRedirected(STD_ERROR_HANDLE)) return true;
  if (::GetConsoleWindow() != nullptr) {
    // A console program: alone on its console means Explorer made that
    // console for it.
    DWORD processes[2];
    return ::GetConsoleProcessList(processes, 2) > 1;
  }
  // A windowed program started from a console can write to that console.
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
    return true;
  }
  return false;
}

// Binary mode, so "\n" reaches the console or file as one byte, as on POSIX.
void SetBinary(FILE* stream) {
  const int fd = _fileno(stream);
  if (fd >= 0) _setmode(fd, _O_BINARY);
}

// The POSIX layer's console form of a box: information on stdout, errors as
// "Caption: text" on stderr, CR LF inside turned into "\n", one "\n" at the
// end.
int WriteBoxToConsole(const std::string& text, const std::string& caption, uint32_t style) {
  std::string line = (style & kMbIconError) ? caption + ": " : std::string();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += text[i];
  }
  line += '\n';
  FILE* stream = (style & kMbIconError) ? stderr : stdout;
  std::fflush(stream);
  SetBinary(stream);
  const bool ok =
      std::fwrite(line.data(), 1, line.size(), stream) == line.size() && std::fflush(stream) == 0;
  return ok ? 1 : 0;
}

// Runs cleanup without losing the last error of the call that failed.
template <typename F>
void KeepingLastError(F cleanup) {
  const DWORD code = ::GetLastError();
  cleanup();
  ::SetLastError(code);
}

class TZtWin32Platform : public TZtPlatform {
 public:
  TZtWin32Platform() : IsLeadByte_(ReadLeadBytes()), ConsoleMode_(DetectConsoleMode()) {}

  bool SetConsoleMode(bool console) {
    const bool previous = ConsoleMode_;
    ConsoleMode_ = console;
    return previous;
  }

  TZtPathStyle PathStyle() override { return TZtPathStyle::Windows(IsLeadByte_); }

  uint32_t GetFileAttributes(const std::string& path) override {
    return ::GetFileAttributesA(path.c_str());
  }

  std::string GetFullPathName(const std::string& path) override {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
      const DWORD length = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
      if (length == 0) return {};
      // Too small: the result is the size needed, terminating zero included.
      if (length < buffer.size()) return std::string(buffer.data(), length);
      buffer.resize(length);
    }
  }

  bool CreateDirectory(const std::string& path) override {
    return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
  }

  TZtHandle CreateFile(const std::string& path, uint32_t access, uint32_t share,
                       uint32_t disposition, uint32_t flags) override {
    const HANDLE file =
        ::CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    return reinterpret_cast<TZtHandle>(file);
  }

  bool ReadFile(TZtHandle file, void* buffer, uint32_t count, uint32_t* read) override {
    DWORD done = 0;
    const bool ok = ::ReadFile(AsHandle(file), buffer, count, &done, nullptr) != 0;
    *read = done;
    return ok;
  }

  bool WriteFile(TZtHandle file, const void* buffer, uint32_t count, uint32_t* written) override {
    *written = 0;
    const char* bytes = static_cast<const char*>(buffer);
    while (*written < count) {
      DWORD done = 0;
      if (!::WriteFile(AsHandle(file), bytes + *written, count - *written, &done, nullptr)) {
        return false;
      }
      if (done == 0) {
        ::SetLastError(ERROR_DISK_FULL);
        return false;
      }
      *written += done;
    }
    return true;
  }

  bool GetFileSize(TZtHandle file, uint64_t* size) override {
    DWORD high = 0;
    ::SetLastError(NO_ERROR);
    const DWORD low = ::GetFileSize(AsHandle(file), &high);
    // 0xFFFFFFFF is also a valid low word; only the error code tells.
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return false;
    *size = (static_cast<uint64_t>(high) << 32) | low;
    return true;
  }

  bool SetFilePointer(TZtHandle file, int64_t offset, uint32_t origin, int64_t* position) override {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    if (!::SetFilePointerEx(AsHandle(file), distance, &result, origin)) return false;
    if (position != nullptr) *position = result.QuadPart;
    return true;
  }

  bool SetEndOfFile(TZtHandle file) override { return ::SetEndOfFile(AsHandle(file)) != 0; }

  bool FlushFileBuffers(TZtHandle file) override { return ::FlushFileBuffers(AsHandle(file)) != 0; }

  bool CloseHandle(TZtHandle file) override {
    if (file == kInvalidHandle) {
      ::SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    return ::CloseHandle(AsHandle(file)) != 0;
  }

  // rename() cannot replace an existing file on Windows; MoveFileExA can.
  // Virus scanners and indexers open a freshly written file for a moment,
  // which makes the move fail with a sharing violation: retry briefly.
  bool MoveFileReplace(const std::string& from, const std::string& to) override {
    DWORD delay = 10;
    for (int attempt = 0;; ++attempt) {
      if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
      const DWORD code = ::GetLastError();
      if ((code != ERROR_SHARING_VIOLATION && code != ERROR_LOCK_VIOLATION) || attempt == 6) {
        return false;
      }
      ::Sleep(delay);  // 10, 20, ... 640 ms: about 1.3 s in all
      delay *= 2;
      ::SetLastError(code);
    }
  }

  bool DeleteFile(const std::string& path) override { return ::DeleteFileA(path.c_str()) != 0; }

  bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
    // ":copyexe" in the program's own folder names the running program as
    // both source and target; there is nothing to copy.
    if (SameFile(from, to)) return true;
    return ::CopyFileA(from.c_str(), to.c_str(), failIfExists) != 0;
  }

  TZtListResult ListDirectory(const std::string& folder,
                              std::vector<TZtDirEntry>* entries) override {
    entries->clear();
    std::string mask = folder;
    if (!mask.empty() && !EndsInDelimiter(mask)) mask += '\\';
    mask += '*';
    WIN32_FIND_DATAA data;
    const HANDLE search = ::FindFirstFileA(mask.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return SearchEnd(folder);
    TZtListResult result = TZtListResult::Ok;
    do {
      entries->push_back(TZtDirEntry{data.cFileName, data.dwFileAttributes});
    } while (::FindNextFileA(search, &data));
    if (::GetLastError() != ERROR_NO_MORE_FILES) {
      result = TZtListResult::Failed;
      entries->clear();
    }
    KeepingLastError([search] { ::FindClose(search); });
    return result;
  }

  uint32_t GetLastError() override { return ::GetLastError(); }
  void SetLastError(uint32_t code) override { ::SetLastError(code); }

  std::string FormatMessage(uint32_t code) override {
    char buffer[256];
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, length);
  }

  std::string GetModuleFileName() override {
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
      const DWORD length =
          ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length == 0) return {};
      // A full buffer means the path was cut.
      if (length < buffer.size()) return std::string(buffer.data(), length);
      buffer.resize(buffer.size() * 2);
    }
  }

  uint32_t GetCurrentProcessId() override { return ::GetCurrentProcessId(); }

  std::string ExecutableFileName(const std::string& programName) override {
    return programName + ".exe";
  }

  int MessageBox(const std::string& text, const std::string& caption, uint32_t style) override {
    if (ConsoleMode_) return WriteBoxToConsole(text, caption, style);
    const int result =
        MessageBoxFunction(nullptr, text.empty() ? nullptr : text.c_str(),
                           caption.empty() ? nullptr : caption.c_str(), MB_OK | style);
    return result > 0 ? result : 0;
  }

 private:
  // The quiet ends of a search: nothing there (2, 18), a folder that does
  // not exist (3), or a folder part that names a file (POSIX: ENOTDIR),
  // which Windows reports as an invalid directory name (267) and Wine as an
  // invalid name (123). Anything else, a truly invalid name included, is a
  // failure.
  TZtListResult SearchEnd(const std::string& folder) {
    const DWORD code = ::GetLastError();
    switch (code) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_NO_MORE_FILES:
        return TZtListResult::Ok;
      case ERROR_PATH_NOT_FOUND:
        return TZtListResult::NotFound;
      case ERROR_DIRECTORY:
      case ERROR_INVALID_NAME: {
        const DWORD attributes =
            ::GetFileAttributesA(WithoutTrailingSlash(folder, PathStyle()).c_str());
        ::SetLastError(code);
        const bool isFile =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        return isFile ? TZtListResult::NotFound : TZtListResult::Failed;
      }
      default:
        return TZtListResult::Failed;
    }
  }

  // "C:" and "dir\" are complete folder prefixes; "dir" needs its '\'.
  bool EndsInDelimiter(const std::string& folder) {
    return LastDelimiter(folder, "\\/:", PathStyle()) == folder.size();
  }

  // Whether two paths name one existing file: same volume, same file index.
  static bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    if (!FileInformation(a, &infoA) || !FileInformation(b, &infoB)) return false;
    return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
           infoA.nFileIndexLow == infoB.nFileIndexLow;
  }

  static bool FileInformation(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    const DWORD code = ::GetLastError();
    // No access asked for, all sharing allowed: works on a running program.
    const HANDLE file =
        ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    bool ok = false;
    if (file != INVALID_HANDLE_VALUE) {
      ok = ::GetFileInformationByHandle(file, info) != 0;
      ::CloseHandle(file);
    }
    ::SetLastError(code);
    return ok;
  }

  bool (*IsLeadByte_)(unsigned char);
  bool ConsoleMode_;
};

TZtWin32Platform& Win32Platform() {
  static TZtWin32Platform platform;
  return platform;
}

}  // namespace

TZtPlatform& NativeZtPlatform() {
  return Win32Platform();
}

TZtMessageBoxFunction SetZtMessageBoxFunction(TZtMessageBoxFunction function) {
  const TZtMessageBoxFunction previous = MessageBoxFunction;
  MessageBoxFunction = function != nullptr ? function : DefaultMessageBox;
  return previous;
}

bool SetZtConsoleMode(bool console) {
  return Win32Platform().SetConsoleMode(console);
}
