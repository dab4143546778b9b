// The files the POSIX file system has created and not finished writing: the
// temporary files of WriteFileAtomic, BeginReplace and CopyFile, a new file
// of WriteNewFile. Each is registered from its creation until it is
// renamed, complete or removed; a handler of SIGINT, SIGTERM, SIGHUP and
// SIGXCPU (a CPU-time limit reached: a pack has its archive's temporary
// file all along) removes every registered file and then ends the process with the signal's default
// action, so the exit status is the signal's usual one and no
// "NAME.PID-N.tmp" is left behind. SIGXFSZ is ignored: a write beyond the
// file-size limit then fails with EFBIG, a write error like a full disk.
#pragma once

#include <sys/types.h>

#include <string>

namespace icnkit {

// Installs the handlers, once per process. A signal that is ignored when
// the process starts (nohup, a background job) stays ignored.
void InstallTemporaryFileHandlers();

// One registered file. The object owns the descriptor and the registration.
class TRegisteredFile {
 public:
  // Creates path (O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, with flags and
  // mode) and registers it, the handled signals blocked in between so that
  // no signal finds the file made but unregistered. Fd is -1 and errno the
  // error of open() when it was not created; nothing is registered then.
  TRegisteredFile(std::string path, int flags, mode_t mode);
  // Closes the descriptor; removes the file unless Keep() was called.
  ~TRegisteredFile();
  TRegisteredFile(const TRegisteredFile&) = delete;
  TRegisteredFile& operator=(const TRegisteredFile&) = delete;

  // Closes now; false with errno set when close() reports an error (a late
  // write-back failure).
  bool Close();
  // The file is done (renamed, or complete): it stays, unregistered.
  void Keep();
  const std::string& Path() const { return Path_; }

  int Fd = -1;

 private:
  std::string Path_;  // the registry points at its characters
  int Slot_ = -1;
  bool Created_ = false;  // made here, and not kept yet
};

}  // namespace icnkit
