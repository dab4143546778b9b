// <sys/resource.h> for the Windows test build: file-size limits do not
// exist there; setrlimit always fails. The tests that need the limit do not
// run on Windows (tests/WindowsTests.cmake).
#pragma once

#define RLIMIT_FSIZE 1

struct rlimit {
  unsigned long long rlim_cur;
  unsigned long long rlim_max;
};

inline int setrlimit(int /*resource*/, const struct rlimit* /*limit*/) {
  return -1;
}
