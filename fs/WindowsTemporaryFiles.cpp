#include "fs/WindowsTemporaryFiles.h"

#include "fs/WindowsText.h"
//
#include <map>
#include <mutex>

#include "fs/WindowsHeaders.h"

namespace icnkit {

namespace {

struct TRegistry {
  std::mutex Mutex;
  std::map<uint64_t, std::wstring> Files;
  uint64_t LastId = 0;
};

// Never destroyed: the handler may run on its own thread while the process
// is ending.
TRegistry& Registry() {
  static TRegistry* const registry = new TRegistry();
  return *registry;
}

BOOL WINAPI OnConsoleEvent(DWORD /*event*/) {
  RemoveRegisteredFiles();
  return FALSE;  // the next handler, in the end the system's, ends the process
}

}  // namespace

void InstallTemporaryFileHandler() {
  static const bool installed = ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
  (void)installed;
}

TRegisteredFile::TRegisteredFile(const std::string& path, const std::function<bool()>& create) {
  TRegistry& registry = Registry();
  std::wstring wide = Utf16(path);
  std::lock_guard lock(registry.Mutex);
  if (!create()) return;
  Id_ = ++registry.LastId;
  registry.Files.emplace(Id_, std::move(wide));
}

TRegisteredFile::~TRegisteredFile() {
  if (Id_ == 0) return;
  TRegistry& registry = Registry();
  std::lock_guard lock(registry.Mutex);
  registry.Files.erase(Id_);
}

size_t RemoveRegisteredFiles() {
  TRegistry& registry = Registry();
  std::lock_guard lock(registry.Mutex);
  size_t removed = 0;
  for (const auto& [id, path] : registry.Files) {
    if (::DeleteFileW(path.c_str())) ++removed;
  }
  return removed;
}

}  // namespace icnkit
