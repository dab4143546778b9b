// No temporary file outlives the process: a signal that ends a tool while it
// writes removes the file being written, and the process still ends as the
// signal ends it; a write beyond the file-size limit is a write error.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "fs/FileSystem.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

int PendingSignal = 0;

extern "C" void RaisePending(int) {
  ::raise(PendingSignal);
}

// In a child process: the write of path crosses a file-size limit of 10
// bytes, and the SIGXFSZ this raises (handled here instead of ignored)
// raises signal, so that signal arrives in the middle of the write, with
// the file made. Returns the child's wait status.
int StatusOfWriteInterruptedBy(int signal, const std::string& path, bool atomic) {
  const pid_t child = ::fork();
  if (child == 0) {
    const std::unique_ptr<TFileSystem> fs = MakeNativeFileSystem();
    PendingSignal = signal;
    std::signal(SIGXFSZ, RaisePending);
    rlimit limit{10, 10};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const rlimit noCore{0, 0};  // SIGXCPU's default action dumps core
    ::setrlimit(RLIMIT_CORE, &noCore);
    try {
      const std::vector<uint8_t> bytes(100, 1);
      if (atomic) {
        fs->WriteFileAtomic(path, bytes, false);
      } else {
        fs->WriteNewFile(path, bytes);
      }
    } catch (...) {
    }
    ::_exit(0);  // not reached when the signal ends the process
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  return status;
}

TEST(FsSignals, SignalsRemoveTheFileBeingWritten) {
  TTempFolder temp;
  WriteText(temp / "a.icn", "old");
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGXCPU}) {
    SCOPED_TRACE(signal);
    int status = StatusOfWriteInterruptedBy(signal, temp / "a.icn", true);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"a.icn"});
    EXPECT_EQ(ReadText(temp / "a.icn"), "old");
    // A new file written in place is removed as well.
    status = StatusOfWriteInterruptedBy(signal, temp / "b.bmp", false);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(ListNames(temp.Path()), std::vector<std::string>{"a.icn"});
  }
}

// "ulimit -f": the packer reports the archive it could not write, leaves the
// old one and no temporary file, instead of dying of SIGXFSZ.
TEST(FsSignals, FileSizeLimitIsAWriteError) {
  TTempFolder temp;
  using namespace testdata;
  std::vector<TTestFrame> frames;
  for (int i = 0; i < 8; ++i) frames.push_back(SolidFrame(TIcnGeneration::H1, 0, 0, 40, 30, 7));
  const std::vector<uint8_t> archive = BuildArchive(TIcnGeneration::H1, frames);
  WriteBytes(temp / "a.icn", archive);
  ASSERT_EQ(RunProgram("dravel", {"a.icn"}, temp.Path()).ExitCode, 0);
  const rlim_t half = archive.size() / 2;
  const TRunResult run = RunProgram("morlet", {"a.icn"}, temp.Path(), [half] {
    rlimit limit{half, half};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Morlet: Cannot create file \"" + NativeFs().FullPath(temp / "a.icn") +
                            "\". " + NativeErrorText(EFBIG) + ".\n");
  EXPECT_EQ(ReadBytes(temp / "a.icn"), archive);
  EXPECT_EQ(ListNames(temp.Path()), (std::vector<std::string>{"a.icn", "a.icn.cadres"}));
}

}  // namespace
