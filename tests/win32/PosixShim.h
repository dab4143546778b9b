// Force-included into the Windows test build: the few POSIX calls that the
// shared tests make, mapped to their Windows meaning, so the test files need
// no #ifdef. Tests of POSIX-only behaviour (file modes, file-size limits)
// are left out of the Windows run in tests/WindowsTests.cmake.
#pragma once

#include <direct.h>
#include <io.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

// mkdir with a mode: Windows folders have no mode bits.
inline int mkdir(const char* path, int /*mode*/) {
  return ::_mkdir(path);
}

// Folder modes never stop a Windows owner from writing, which is how the
// tests treat root: their read-only-folder cases are skipped.
inline unsigned geteuid() {
  return 0;
}

#ifndef SIGXFSZ
#define SIGXFSZ 25  // never raised on Windows
#endif
