// The files the Windows file system has created and not finished writing:
// the temporary files of WriteFileAtomic, BeginReplace and CopyFile, a new file of
// WriteNewFile. Each is registered from its creation until it is renamed,
// complete or removed. A console control handler (Ctrl+C, Ctrl+Break, the
// console closed, logoff, shutdown) deletes every registered file and then
// hands the event on, so the system ends the process with its usual status
// and no "NAME.PID-N.tmp" is left behind. A registered file is opened with
// FILE_SHARE_DELETE: deleted while open, it goes when its handle closes,
// at the latest when the process ends, and it can no longer be renamed over
// the file it was to replace.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace icnkit {

// Installs the handler, once per process.
void InstallTemporaryFileHandler();

// One registered file.
class TRegisteredFile {
 public:
  // Runs create, which makes the file at path and says whether it did, with
  // the registry locked: the handler never finds the file made but not
  // registered, nor a registered name whose file someone else made.
  TRegisteredFile(const std::string& path, const std::function<bool()>& create);
  // Unregisters; the file stays or goes as the caller left it.
  ~TRegisteredFile();
  TRegisteredFile(const TRegisteredFile&) = delete;
  TRegisteredFile& operator=(const TRegisteredFile&) = delete;

  bool Created() const { return Id_ != 0; }

 private:
  uint64_t Id_ = 0;
};

// What the handler does before the process ends: deletes every registered
// file. Returns how many were deleted (tests).
size_t RemoveRegisteredFiles();

}  // namespace icnkit
