// The file system under every public call that touches files (icnkit/
// files.h, folders.h, palette.h, sheet.h, archive.h's OpenFile): the
// platform's, made once, or while a TLibraryFileSystem lives the one it
// names, so that a test runs the library, and the tool over it, on an
// in-memory file system that records and fails on demand.
#pragma once

#include <cstdio>
#include <string>

#include "fs/FileSystem.h"
#include "fs/StreamOutput.h"
#include "icnkit/files.h"

namespace icnkit {

// The file system the public calls use now. Safe from any thread.
TFileSystem& LibraryFileSystem();

// Puts fs under the public calls for its lifetime, then what was there
// before. Not for production code: set before the calls start and kept
// until they have ended.
class TLibraryFileSystem {
 public:
  explicit TLibraryFileSystem(TFileSystem& fs);
  ~TLibraryFileSystem();
  TLibraryFileSystem(const TLibraryFileSystem&) = delete;
  TLibraryFileSystem& operator=(const TLibraryFileSystem&) = delete;

 private:
  TFileSystem* Before_;
};

// Runs work(fs) on the library's file system, where the one file written
// to path goes to standard output when path is kStandardOutput.
template <class TWork>
auto WithOutput(const std::string& path, TWork&& work) {
  if (path != kStandardOutput) return work(LibraryFileSystem());
  TStreamOutputFileSystem fs(LibraryFileSystem(), path, stdout);
  return work(static_cast<TFileSystem&>(fs));
}

}  // namespace icnkit
