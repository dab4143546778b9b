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
//   reading, decides it before it could block: a device, pipe or socket is
//   "Not a regular file: <path>". Listings (fs/FindFile.h) skip such
//   entries.
// - "Only regular files are written": BeginReplace (and so WriteFileAtomic
//   and every whole-file and streaming writer of fs/Files.h) and CopyFile,
//   the only ways to put a file where one may exist, refuse a path at which
//   a device, pipe or socket stands, links followed: "Not a regular file:
//   <path>" (TNotRegularFile), before any temporary file is made, so the
//   rename never replaces a device node or a FIFO, nor writes into one.
//   WriteNewFile makes only files that do not exist.
// - "A replaced file keeps its mode": BeginReplace (and so WriteFileAtomic)
//   and CopyFile give the temporary file the permission bits of the file it
//   replaces before anything is written into it; a new file gets
//   0666 & ~umask. So a file whose content came through a link keeps the
//   protection of the link's target.
// - "A link is written through only for a name the user gave": the names
//   the tools make themselves (bitmaps, setup.ini, previews, the
//   ":copyexe" copy) are replaced as names, a link there included, by
//   WriteFileAtomic, WriteNewFile and CopyFile; an archive the user named is
//   first followed to its target (ResolveLinks, fs/Files.h SaveArchiveFile),
//   so the link stays. Reading follows links: a linked frame or archive is
//   read like the file itself.
// - "A folder is written through a link only when the link is the user's":
//   a link at the name of a folder the tools write into (a frame folder, a
//   preview or output folder) is followed when it belongs to the user
//   running the tool or to root, else refused (IsLinkOfAnotherUser,
//   fs/Files.h CheckWrittenFolder).
// - "No temporary file outlives the process": the implementation's registry
//   of the files it is writing (the temporary files of WriteFileAtomic and
//   CopyFile, a new file of WriteNewFile until it is complete), emptied by a
//   handler of SIGINT, SIGTERM, SIGHUP and SIGXCPU (a CPU-time limit),
//   which then ends the process as
//   the signal would have (POSIX: fs/PosixTemporaryFiles.h; Windows: a
//   console control handler). A write beyond the file-size limit is a write
//   error (SIGXFSZ is ignored), like a full disk.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/Error.h"

namespace icnkit {

// A failure of the system: its error code (errno, or the Windows error
// code) and its text without trailing blanks and dots. what() is
// "System Error.  Code: <code>.\r\n<text>", or "A call to an OS function
// failed" for code 0 (a failure without a code, such as a file that ended
// early), for tests and diagnostics only: no tool shows it. The tools show
// Text beside the file or folder concerned ("Cannot create file ...",
// fs/Files.h; "Cannot open folder ...", fs/FindFile.h). Opening is set when
// the file could not be opened or created at all.
class TSystemError : public TZtError {
 public:
  TSystemError(uint32_t code, std::string text, bool opening = false);
  uint32_t Code;
  std::string Text;
  bool Opening;
};

// "Not a regular file: <path>": a device, pipe or socket (links followed)
// where the tools read or write a file. Of kind Invalid: the file is not
// what the call takes, the system did not fail.
class TNotRegularFile : public TZtError {
 public:
  explicit TNotRegularFile(const std::string& path) : TZtError("Not a regular file: " + path) {}
};

// Whether a system error code says that a file, or a folder on its path, is
// not there (POSIX reports both as ENOENT, 2; Windows tells the two apart,
// ERROR_FILE_NOT_FOUND 2 and ERROR_PATH_NOT_FOUND 3). A TSystemError of such
// a code is of kind Missing, any other of kind System.
bool IsMissingFileCode(uint32_t code);

// The text of a file that ended before the size it had when it was opened
// (a failure without a code).
inline constexpr const char* kFileEndedEarly = "The file ended early";

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
  std::string_view Name;  // the entry's own name, inside its listing
  // Links followed. Never Missing: a dangling link is listed as a File
  // (opening it reports the problem). Other: a device, pipe or socket.
  TPathKind Kind;
};

// The entries of a folder in one text: per entry one byte of kind, the name
// and a NUL, found by 32-bit offsets (a name is cut at a NUL; no system has
// one). 14 bytes an entry for 65,535 frames rather than a string each.
class TFolderListing {
 public:
  class TIterator;

  // Room for entries whose names take nameBytes in all.
  void Reserve(size_t entries, size_t nameBytes);
  // Appends an entry. Throws TZtError past 4 GiB of names.
  void Add(std::string_view name, TPathKind kind);
  size_t size() const { return Starts_.size(); }
  bool empty() const { return Starts_.empty(); }
  // Valid while the listing lives and is not changed.
  std::string_view Name(size_t i) const { return Text_.data() + Starts_[i] + 1; }
  TPathKind Kind(size_t i) const { return static_cast<TPathKind>(Text_[Starts_[i]]); }
  TFolderEntry operator[](size_t i) const { return {Name(i), Kind(i)}; }
  TIterator begin() const;
  TIterator end() const;

  // Drops the entries for which drop(name, kind) holds, then orders the rest
  // by less(name a, name b); both keep the text where it is.
  template <typename Drop>
  void EraseIf(Drop drop);
  template <typename Less>
  void Sort(Less less);

 private:
  std::string Text_;
  std::vector<uint32_t> Starts_;  // of each entry's kind byte in Text_
};

class TFolderListing::TIterator {
 public:
  using value_type = TFolderEntry;
  using difference_type = std::ptrdiff_t;
  TIterator() = default;
  TIterator(const TFolderListing* listing, size_t index) : Listing_(listing), Index_(index) {}
  TFolderEntry operator*() const { return (*Listing_)[Index_]; }
  TIterator& operator++() {
    ++Index_;
    return *this;
  }
  TIterator operator++(int) {
    TIterator before = *this;
    ++Index_;
    return before;
  }
  bool operator==(const TIterator& other) const { return Index_ == other.Index_; }

 private:
  const TFolderListing* Listing_ = nullptr;
  size_t Index_ = 0;
};

inline TFolderListing::TIterator TFolderListing::begin() const {
  return {this, 0};
}
inline TFolderListing::TIterator TFolderListing::end() const {
  return {this, size()};
}

template <typename Drop>
void TFolderListing::EraseIf(Drop drop) {
  std::erase_if(Starts_, [&](uint32_t start) {
    return drop(std::string_view(Text_.data() + start + 1), static_cast<TPathKind>(Text_[start]));
  });
}

template <typename Less>
void TFolderListing::Sort(Less less) {
  std::sort(Starts_.begin(), Starts_.end(), [&](uint32_t a, uint32_t b) {
    return less(std::string_view(Text_.data() + a + 1), std::string_view(Text_.data() + b + 1));
  });
}

// A file being written in pieces, at offsets of the writer's choosing, that
// replaces its path only when committed (TFileSystem::BeginReplace).
class TFileReplacement {
 public:
  // Uncommitted (a failure, an exception passing): the bytes written are
  // removed and the path is left as it was.
  virtual ~TFileReplacement() = default;
  // Writes bytes at offset of the new file, which grows as needed (bytes
  // never written read as zeros). Throws TSystemError.
  virtual void WriteAt(uint64_t offset, std::span<const uint8_t> bytes) = 0;
  // Flushes to the disk when durable and puts the file in place of the
  // path. Throws TSystemError; once it has, nothing is in place.
  virtual void Commit() = 0;
};

class TFileSystem {
 public:
  virtual ~TFileSystem() = default;

  // What path names, links followed. Missing when nothing is there or it
  // cannot be looked at. Never throws.
  virtual TPathInfo Stat(const std::string& path) = 0;

  // The whole content of the file at path, links followed. Throws
  // TSystemError (Opening set) when it cannot be opened (a folder included),
  // TZtError "Not a regular file: <path>" for anything else that is not a
  // regular file (without waiting on it), TSystemError on a read failure,
  // and TZtError "File too large: <path>" for 4 GiB or more.
  virtual std::vector<uint8_t> ReadFile(const std::string& path) = 0;

  // The first limit bytes of the file at path (all of a shorter one), and
  // size, the whole file's size, with ReadFile's rules and errors (no
  // "File too large"): what is told from a file's start, without the
  // memory of the whole. The default reads the whole file (the in-memory
  // file systems, Windows).
  virtual std::vector<uint8_t> ReadFileHead(const std::string& path, size_t limit, uint64_t& size);

  // Replaces path by bytes, whole or not at all: they go to a temporary file
  // "<path>.<pid>-<n>.tmp" beside it, flushed to the disk when durable, which
  // is renamed over it: a link at path is replaced, not written through. The
  // new file has the permission bits of the file it replaces (links
  // followed), or 0666 & ~umask. Every failure removes the temporary file
  // and leaves path as it was; so does a SIGINT, SIGTERM, SIGHUP or SIGXCPU. The
  // folder must exist. Throws TSystemError (Opening set) when no file can be
  // made there (a folder of that name included), with the error of the
  // failing call; TSystemError for any later step. It is one BeginReplace
  // written whole, for every file system: each keeps these promises there.
  void WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes, bool durable);

  // WriteFileAtomic in pieces, with all its promises: the temporary file
  // made here, with the mode it keeps, the bytes written as they come. A
  // failure to make the file (TSystemError, Opening set) is thrown here or
  // at the latest by Commit. Throws TNotRegularFile, having made nothing,
  // when a device, pipe or socket stands at path (links followed).
  std::unique_ptr<TFileReplacement> BeginReplace(const std::string& path, bool durable);

  // Creates path, which must not exist yet, and writes bytes into it. On a
  // failure after creation the file is removed again. Returns false, having
  // written nothing, when something exists at path already (a link
  // included, which is not followed).
  virtual bool WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) = 0;

  // The entries of folder ("" is the current folder), without "." and "..",
  // in no particular order. A missing folder, or a path through a file,
  // lists nothing; any other failure throws TSystemError.
  virtual TFolderListing ListFolder(const std::string& folder) = 0;

  // Creates one folder, whose parent must exist. False when a folder exists
  // at path already; throws TSystemError for any other failure (a file of
  // that name included).
  virtual bool MakeFolder(const std::string& path) = 0;

  // Removes the file at path. False when there was nothing to remove;
  // throws TSystemError for any other failure.
  virtual bool Remove(const std::string& path) = 0;

  // Removes the folder at path when it is empty (a link there is not
  // followed). False when nothing is there or the folder holds anything;
  // throws TSystemError for any other failure.
  virtual bool RemoveFolder(const std::string& path) = 0;

  // Copies the file from to to, keeping its permission bits and replacing
  // to as a name, through a temporary file as WriteFileAtomic does (a link
  // at to is replaced, not written through). Nothing is written when to is
  // the file from names. Throws TSystemError, and TNotRegularFile as
  // BeginReplace for to.
  void CopyFile(const std::string& from, const std::string& to);

  // The path made absolute against the current folder and normalised
  // lexically ("a/./b/../c" -> "<cwd>/a/c"). No file is looked at. Empty
  // for an empty path, and when the current folder is needed and gone.
  virtual std::string FullPath(const std::string& path) = 0;

  // The full path of the running executable. Throws TSystemError.
  virtual std::string ExecutablePath() = 0;

  // The file a link at path leads to, links after links, so that a file the
  // user named can be replaced beside its target and the link stays; path
  // itself when it is no link. A dangling link gives the missing target; a
  // link of another user (IsLinkOfAnotherUser) is not followed but given,
  // for the caller to refuse. Never throws. File systems without links (the test fakes) keep this.
  virtual std::string ResolveLinks(const std::string& path) { return path; }

  // Whether a link stands at path (its last part; a trailing delimiter
  // changes nothing) that belongs neither to the user the tool runs as nor
  // to the system's administrator: one another user may have planted in a
  // shared folder, which the tools do not follow to write (fs/Files.h
  // CheckWrittenFolder). POSIX: lstat's owner against the effective user,
  // root (0) trusted, as the kernel's rule for links in sticky folders.
  // Windows keeps this default and follows links as before: a file's owner
  // there may be the Administrators group rather than the user who made it
  // (from an elevated prompt), so the rule would refuse the user's own
  // junctions and links. Never throws.
  virtual bool IsLinkOfAnotherUser(const std::string& /*path*/) { return false; }

 protected:
  // BeginReplace and CopyFile of each file system, called once path (to)
  // is known to be no device, pipe or socket.
  virtual std::unique_ptr<TFileReplacement> StartReplace(const std::string& path, bool durable) = 0;
  virtual void CopyInto(const std::string& from, const std::string& to) = 0;

 private:
  // Throws TNotRegularFile when Stat(path) is Other: the one check every
  // write of a file that may exist goes through.
  void RefuseIrregular(const std::string& path);
};

// The file system of this build's platform.
std::unique_ptr<TFileSystem> MakeNativeFileSystem();

}  // namespace icnkit
