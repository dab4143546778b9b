// icnkit's entry point: the native file system, the report on stderr, the
// UTF-8 arguments.
#include <cstdio>
#if defined(_WIN32)
#include <io.h>
#define ICNKIT_ISATTY _isatty
#define ICNKIT_FILENO _fileno
#else
#include <unistd.h>
#define ICNKIT_ISATTY isatty
#define ICNKIT_FILENO fileno
#endif

#include "cli/Arguments.h"
#include "kit/Kit.h"

int main(int argc, char** argv) {
  const std::unique_ptr<TFileSystem> fs = MakeNativeFileSystem();
  TKitReport report(stderr, ICNKIT_ISATTY(ICNKIT_FILENO(stderr)) != 0);
  TKit kit{*fs, report, stdout};
  return RunKit(kit, CommandLineArguments(argc, argv));
}
