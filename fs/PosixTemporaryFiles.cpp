// The registry of files being written and the signal handler that empties
// it. The handler may interrupt anything, so the registry is a fixed array
// of lock-free pointers to the paths' characters, and the handler calls
// async-signal-safe functions only (unlink, sigaction, sigprocmask, raise).
#include "fs/PosixTemporaryFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

namespace icnkit {

namespace {

// Files written at once: one per thread that writes; a file that finds no
// free slot is written unregistered.
constexpr int kSlots = 64;
std::atomic<const char*> Registry[kSlots];

constexpr int kHandledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXCPU};

sigset_t HandledSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int number : kHandledSignals) sigaddset(&set, number);
  return set;
}

// C linkage, as a signal handler has; static, as nothing outside calls it.
extern "C" {
static void RemoveRegisteredAndRaise(int number) {
  for (std::atomic<const char*>& slot : Registry) {
    if (const char* path = slot.load()) ::unlink(path);
  }
  // End as the signal would have ended the process without this handler.
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(number, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, number);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(number);
}
}  // extern "C"

int Register(const char* path) {
  for (int i = 0; i < kSlots; ++i) {
    const char* expected = nullptr;
    if (Registry[i].compare_exchange_strong(expected, path)) return i;
  }
  return -1;
}

}  // namespace

void InstallTemporaryFileHandlers() {
  static const bool installed = [] {
    struct sigaction action = {};
    action.sa_handler = RemoveRegisteredAndRaise;
    action.sa_mask = HandledSet();  // one handler at a time
    for (const int number : kHandledSignals) {
      struct sigaction previous;
      if (::sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
      ::sigaction(number, &action, nullptr);
    }
    ::signal(SIGXFSZ, SIG_IGN);
    return true;
  }();
  (void)installed;
}

TRegisteredFile::TRegisteredFile(std::string path, int flags, mode_t mode)
    : Path_(std::move(path)) {
  const sigset_t handled = HandledSet();
  sigset_t previous;
  ::pthread_sigmask(SIG_BLOCK, &handled, &previous);
  do {
    Fd = ::open(Path_.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  } while (Fd < 0 && errno == EINTR);
  const int code = errno;
  if (Fd >= 0) Slot_ = Register(Path_.c_str());
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = code;
  Created_ = Fd >= 0;
}

TRegisteredFile::~TRegisteredFile() {
  if (Fd >= 0) ::close(Fd);
  if (Created_) ::unlink(Path_.c_str());
  Keep();
}

bool TRegisteredFile::Close() {
  const int fd = Fd;
  Fd = -1;
  return ::close(fd) == 0;
}

void TRegisteredFile::Keep() {
  Created_ = false;
  if (Slot_ >= 0) Registry[Slot_].store(nullptr);
  Slot_ = -1;
}

}  // namespace icnkit
