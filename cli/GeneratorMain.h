// The main of the build's generators (the palette bitmaps, the samples, the
// fuzz seeds): one argument, the folder they write into. Without it
// "usage: <name> OUTPUT_FOLDER" on stderr, exit status 2; a failure
// "<name>: <message>", exit status 1.
#pragma once

#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "fs/FileSystem.h"
#include "fs/Path.h"

namespace icnkit {

inline int RunGenerator(
    int argc, char** argv, const char* name,
    const std::function<void(TFileSystem& fs, const std::string& folder)>& write) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", name);
    return 2;
  }
  try {
    const std::unique_ptr<TFileSystem> fs = MakeNativeFileSystem();
    write(*fs, WithTrailingSlash(argv[1]));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", name, error.what());
    return 1;
  }
  return 0;
}

}  // namespace icnkit
