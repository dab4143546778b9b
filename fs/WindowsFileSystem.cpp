// The Windows file system: the wide-character (...W) functions, every path
// converted from UTF-8 to UTF-16 on the way in and back on the way out;
// GetLastError() values for every failure, taken at once.
#include "fs/FileSystem.h"
#include "fs/Path.h"
#include "fs/WindowsCalls.h"
#include "fs/WindowsTemporaryFiles.h"
#include "fs/WindowsText.h"
//
#include <algorithm>
#include <optional>

#include "fs/WindowsHeaders.h"

namespace icnkit {

namespace {

using namespace icn_windows;

// Whether two paths name one existing file: same volume, same file index.
bool FileInformation(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  // No access asked for, all sharing allowed: works on a running program.
  THandle file(Create(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
  return file.Valid() && ::GetFileInformationByHandle(file.Handle, info) != 0;
}

bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION infoA, infoB;
  if (!FileInformation(a, &infoA) || !FileInformation(b, &infoB)) return false;
  return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
         infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

class TWindowsFileSystem : public TFileSystem {
 public:
  TPathInfo Stat(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() ||
        !::GetFileAttributesExW(Utf16(path).c_str(), GetFileExInfoStandard, &data)) {
      return {};
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {TPathKind::Folder, 0};
    return {TPathKind::File, (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
  }

  std::vector<uint8_t> ReadFile(const std::string& path) override {
    uint64_t size = 0;
    return ReadStart(path, SIZE_MAX, size);
  }

  std::vector<uint8_t> ReadFileHead(const std::string& path, size_t limit,
                                    uint64_t& size) override {
    return ReadStart(path, limit, size);
  }

  std::unique_ptr<TFileReplacement> StartReplace(const std::string& path, bool durable) override {
    // A folder of that name can never be replaced by a file; opening it as
    // one gives the system's own error code.
    if (IsFolder(Attributes(path))) {
      THandle probe(Create(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0));
      Throw(probe.Valid() ? ERROR_ACCESS_DENIED : ::GetLastError(), true);
    }
    return BeginTemporaryReplace(path, durable);
  }

  bool WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) override {
    THandle file(INVALID_HANDLE_VALUE);
    DWORD code = 0;
    const TRegisteredFile registered(path, [&] {
      file.Handle =
          Create(path, GENERIC_WRITE, FILE_SHARE_DELETE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
      code = ::GetLastError();
      return file.Valid();
    });
    if (!file.Valid()) {
      if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return false;
      // A folder of that name may be refused as access denied instead.
      if (Attributes(path) != INVALID_FILE_ATTRIBUTES) return false;
      Throw(code, true);
    }
    try {
      WriteAll(file.Handle, bytes);
      file.Close();
    } catch (...) {
      file.Discard();
      ::DeleteFileW(Utf16(path).c_str());
      throw;
    }
    return true;
  }

  // FindFirstFileExW enumerates folder + "*"; the wildcard mask is applied
  // above (fs/FindFile.h): the system's matching also matches 8.3 short
  // names ("*.bmp" would hand out x.bmpx) and its order depends on the
  // volume.
  TFolderListing ListFolder(const std::string& folder) override {
    std::string mask = folder;
    if (!mask.empty() && LastDelimiter(mask, "\\/:") != mask.size() - 1) {
      mask += '\\';
    }
    mask += '*';
    WIN32_FIND_DATAW data;
    const HANDLE search = ::FindFirstFileExW(Utf16(mask).c_str(), FindExInfoBasic, &data,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
      const DWORD code = ::GetLastError();
      // A folder part longer than any Windows file system allows names
      // nothing that could ever exist: a mistake, not a missing folder.
      if (HasOverlongPart(folder)) Throw(ERROR_FILENAME_EXCED_RANGE);
      if (IsQuietEnd(folder, code)) return {};
      Throw(code);
    }
    const std::unique_ptr<void, decltype(&::FindClose)> closing(search, ::FindClose);
    TFolderListing entries;
    do {
      const std::string name = Utf8(data.cFileName);
      if (name == "." || name == "..") continue;
      entries.Add(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? TPathKind::Folder
                                                                           : TPathKind::File);
    } while (::FindNextFileW(search, &data));
    const DWORD code = ::GetLastError();
    if (code != ERROR_NO_MORE_FILES) Throw(code);
    return entries;
  }

  bool MakeFolder(const std::string& path) override {
    if (::CreateDirectoryW(Utf16(path).c_str(), nullptr)) return true;
    const DWORD code = ::GetLastError();
    if (code == ERROR_ALREADY_EXISTS && IsFolder(Attributes(path))) return false;
    Throw(code);
  }

  bool Remove(const std::string& path) override {
    if (::DeleteFileW(Utf16(path).c_str())) return true;
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
    Throw(code);
  }

  bool RemoveFolder(const std::string& path) override {
    if (::RemoveDirectoryW(Utf16(path).c_str())) return true;
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
        code == ERROR_DIR_NOT_EMPTY) {
      return false;
    }
    Throw(code);
  }

  void CopyInto(const std::string& from, const std::string& to) override {
    // ":copyexe" in the program's own folder names the running program as
    // both source and target; there is nothing to copy.
    if (SameFile(from, to)) return;
    // Copied beside the target, then moved over it: the name is replaced,
    // a link there is not written through.
    std::string temporary;
    std::optional<TRegisteredFile> registered;
    for (unsigned attempt = 0;; ++attempt) {
      temporary = ZtFormat("%s.%u-%u.tmp", to.c_str(),
                           static_cast<unsigned>(::GetCurrentProcessId()), attempt);
      DWORD code = 0;
      registered.emplace(temporary, [&] {
        const bool copied = ::CopyFileW(Utf16(from).c_str(), Utf16(temporary).c_str(), TRUE);
        code = ::GetLastError();
        return copied;
      });
      if (registered->Created()) break;
      if ((code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) || attempt == 99) {
        Throw(code);
      }
    }
    if (const DWORD code = MoveReplacing(temporary, to)) {
      ::DeleteFileW(Utf16(temporary).c_str());
      Throw(code);
    }
  }

  std::string FullPath(const std::string& path) override {
    if (path.empty()) return {};
    const std::wstring wide = Utf16(path);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      const DWORD length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
      if (length == 0) return {};
      // Too small: the result is the size needed, terminating zero included.
      if (length < buffer.size()) return Utf8(std::wstring(buffer.data(), length));
      buffer.resize(length);
    }
  }

  std::string ExecutablePath() override {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
      const DWORD length =
          ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length == 0) ThrowLast();
      // A full buffer means the path was cut.
      if (length < buffer.size()) return Utf8(std::wstring(buffer.data(), length));
      buffer.resize(buffer.size() * 2);
    }
  }

  // The final path of what a link (a reparse point) opens; the path itself
  // for anything else, and for a link whose target is gone.
  std::string ResolveLinks(const std::string& path) override {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      return path;
    }
    THandle file(Create(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    if (!file.Valid()) return path;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      const DWORD length = ::GetFinalPathNameByHandleW(
          file.Handle, buffer.data(), static_cast<DWORD>(buffer.size()), VOLUME_NAME_DOS);
      if (length == 0) return path;
      if (length < buffer.size()) {
        std::wstring resolved(buffer.data(), length);
        // "\\?\C:\x" is "C:\x"; "\\?\UNC\server\x" is "\\server\x".
        if (resolved.rfind(L"\\\\?\\UNC\\", 0) == 0) {
          resolved = L"\\" + resolved.substr(7);
        } else if (resolved.rfind(L"\\\\?\\", 0) == 0) {
          resolved = resolved.substr(4);
        }
        return Utf8(resolved);
      }
      buffer.resize(length);
    }
  }

 private:
  // The first limit bytes of the file at path (SIZE_MAX: all of it, "File
  // too large" from 4 GiB on) and its size in size.
  static std::vector<uint8_t> ReadStart(const std::string& path, size_t limit, uint64_t& size) {
    THandle file(Create(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL));
    if (!file.Valid()) ThrowLast(true);
    // Only regular files are read: a device ("CON", "NUL", "COM1") or a
    // pipe is refused before any read could wait on it.
    if (::GetFileType(file.Handle) != FILE_TYPE_DISK) {
      throw icnkit::TNotRegularFile(path);
    }
    LARGE_INTEGER length;
    if (!::GetFileSizeEx(file.Handle, &length)) ThrowLast();
    size = static_cast<uint64_t>(length.QuadPart);
    // An archive is addressed with 32-bit offsets; anything larger is not one
    // and would not fit a single read.
    if (limit == SIZE_MAX && size > 0xFFFFFFFEu) {
      throw TZtError(ZtFormat("File too large: %s", path.c_str()));
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min<uint64_t>(size, limit)));
    size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
      DWORD read = 0;
      if (!::ReadFile(file.Handle, bytes.data() + done, chunk, &read, nullptr)) ThrowLast();
      if (read == 0) throw TSystemError(0, kFileEndedEarly);
      done += read;
    }
    return bytes;
  }
  // Whether a part of path is longer than the 255 UTF-16 units a name may
  // have on NTFS, FAT and ReFS alike.
  static bool HasOverlongPart(const std::string& path) {
    const std::wstring wide = Utf16(path);
    size_t length = 0;
    for (const wchar_t c : wide) {
      length = (c == L'\\' || c == L'/' || c == L':') ? 0 : length + 1;
      if (length > 255) return true;
    }
    return false;
  }

  // The quiet ends of a listing: a folder that does not exist (3), or a
  // folder part that names a file (POSIX: ENOTDIR), which Windows reports
  // as an invalid directory name (267) and Wine as an invalid name (123).
  // An empty folder (2, 18) has no entries either. Anything else, a truly
  // invalid name included, is a failure.
  static bool IsQuietEnd(const std::string& folder, DWORD code) {
    switch (code) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_NO_MORE_FILES:
      case ERROR_PATH_NOT_FOUND:
        return true;
      case ERROR_DIRECTORY:
      case ERROR_INVALID_NAME: {
        const DWORD attributes = Attributes(WithoutTrailingSlash(folder, NativePathStyle()));
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
      }
      default:
        return false;
    }
  }
};

}  // namespace

std::unique_ptr<TFileSystem> MakeNativeFileSystem() {
  InstallTemporaryFileHandler();
  return std::make_unique<TWindowsFileSystem>();
}

std::string NativeErrorText(uint32_t code) {
  wchar_t buffer[512];
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       buffer, sizeof buffer / sizeof buffer[0], nullptr);
  return TrimErrorText(Utf8(std::wstring(buffer, length)));
}

TZtPathStyle NativePathStyle() {
  return TZtPathStyle::Windows();
}

std::string ExecutableFileName(const std::string& programName) {
  return programName + ".exe";
}

}  // namespace icnkit
