// fs: the file system as the tools need it, and nothing more.
//
// Everything the tools do to files goes through one TFileSystem, created in
// main (MakeNativeFileSystem: PosixFileSystem.cpp or WindowsFileSystem.cpp,
// chosen by CMake) and passed down; tests give an in-memory fake
// (tests/MemoryFileSystem.h) that records what was written and removed and
// can be told to fail.
//
// Conventions of every method:
// - Paths are UTF-8 strings (the Windows implementation speaks UTF-16 to
//   the system); relative paths are taken against the current folder.
// - A failure of the system throws TSystemError, which carries the system's
//   error code and text; nothing here keeps a "last error".
//
// Where the file rules live (one place each):
// - "Only regular files are read": ReadFile, which alone opens files for
//   reading (a device, pipe or socket is then refused there).
// - "A replaced file keeps its mode": WriteFileAtomic, which gives the
//   temporary file the old file's mode before the rename.
// - "A link is followed only for a name the user gave": Stat follows links
//   (it is asked about names from the command line); ListFolder is the one
//   place that looks at names the user did not give, and will report a link
//   as TPathKind::Other instead of following it.
// - "No temporary file outlives the process": the implementation's registry
//   of the temporary files of WriteFileAtomic (registered from creation to
//   rename or removal), emptied by an exit/signal handler.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "format/Error.h"

// A failure of the system: its error code (errno, or the Windows error
// code) and its text without trailing blanks and dots. what() is
// "System Error.  Code: <code>.\r\n<text>", or "A call to an OS function
// failed" for code 0 (a failure without a code, such as a file that ended
// early). Opening is set when the file could not be opened or created at all,
// so a caller can name the file instead ("Cannot create file ...").
class TSystemError : public TZtError {
 public:
  TSystemError(uint32_t code, std::string text, bool opening = false);
  uint32_t Code;
  std::string Text;
  bool Opening;
};

// The system's text for an error code (strerror / FormatMessageW), without
// trailing blanks, line ends and dots.
std::string NativeErrorText(uint32_t code);
// text without its trailing blanks, line ends and dots.
std::string TrimErrorText(std::string text);

enum class TPathKind { Missing, File, Folder, Other };

struct TPathInfo {
  TPathKind Kind = TPathKind::Missing;
  uint64_t Size = 0;  // bytes, for a file
};

struct TFolderEntry {
  std::string Name;  // the entry's own name
  TPathKind Kind;    // never Missing: a dangling link is listed as a File
};

class TFileSystem {
 public:
  virtual ~TFileSystem() = default;

  // What path names, links followed. Missing when nothing is there or it
  // cannot be looked at. Never throws.
  virtual TPathInfo Stat(const std::string& path) = 0;

  // The whole content of the file at path. Throws TSystemError (Opening set)
  // when it cannot be opened (a folder included), TSystemError on a read
  // failure, and TZtError "File too large: <path>" for 4 GiB or more.
  virtual std::vector<uint8_t> ReadFile(const std::string& path) = 0;

  // Replaces path by bytes, whole or not at all: they go to a temporary file
  // "<path>.<pid>-<n>.tmp" beside it, flushed to the disk when durable, which
  // is renamed over it. Every failure removes the temporary file and leaves
  // path as it was. The folder must exist. Throws TSystemError (Opening set)
  // when no file can be made there (a folder of that name included),
  // TSystemError for any later step.
  virtual void WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes,
                               bool durable) = 0;

  // Creates path, which must not exist yet, and writes bytes into it. On a
  // failure after creation the file is removed again. Returns false, having
  // written nothing, when something exists at path already.
  virtual bool WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) = 0;

  // The entries of folder ("" is the current folder), without "." and "..",
  // in no particular order. A missing folder, or a path through a file,
  // lists nothing; any other failure throws TSystemError.
  virtual std::vector<TFolderEntry> ListFolder(const std::string& folder) = 0;

  // Creates one folder, whose parent must exist. False when a folder exists
  // at path already; throws TSystemError for any other failure (a file of
  // that name included).
  virtual bool MakeFolder(const std::string& path) = 0;

  // Removes the file at path. False when there was nothing to remove;
  // throws TSystemError for any other failure.
  virtual bool Remove(const std::string& path) = 0;

  // Copies the file from to to, keeping its permission bits and replacing
  // to. Nothing is written when both name the same file. Throws
  // TSystemError.
  virtual void CopyFile(const std::string& from, const std::string& to) = 0;

  // The path made absolute against the current folder and normalised
  // lexically ("a/./b/../c" -> "<cwd>/a/c"). No file is looked at. Empty
  // for an empty path, and when the current folder is needed and gone.
  virtual std::string FullPath(const std::string& path) = 0;

  // The full path of the running executable. Throws TSystemError.
  virtual std::string ExecutablePath() = 0;
};

// The file system of this build's platform.
std::unique_ptr<TFileSystem> MakeNativeFileSystem();
