// Whole-file helpers over a TFileSystem, with the messages the tools show.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fs/FileSystem.h"

namespace icnkit {

// True when path names an existing folder (links followed).
bool IsDirectory(TFileSystem& fs, const std::string& path);

// Creates the folder and every missing parent (the path normalised
// lexically first: "a/x/../b" makes no "a/x"). True when the folder exists
// afterwards; never throws for a failure of the system. Folders in the
// current folder are made through relative paths, however deep.
bool MakeFolders(TFileSystem& fs, const std::string& folder);

// The folders a piece of work made (an unpack's frame folder, the folders
// above it), taken back when the work fails: unless Keep() was called, the
// destructor removes those still empty, innermost first. A folder that
// existed before is never touched, nor one something was put into. Never
// throws.
class TMadeFolders {
 public:
  explicit TMadeFolders(TFileSystem& fs) : Fs_(fs) {}
  ~TMadeFolders();
  TMadeFolders(const TMadeFolders&) = delete;
  TMadeFolders& operator=(const TMadeFolders&) = delete;
  // MakeFolders, noting the folders it made.
  bool Make(const std::string& folder);
  // The work succeeded: every folder made stays.
  void Keep() { Made_.clear(); }

 private:
  TFileSystem& Fs_;
  std::vector<std::string> Made_;  // outermost first
};

// "Cannot create file "<full path>". <Reason>": a file the tools write
// could not be made or written; Reason is the system's text.
class TCannotCreateFile : public TZtError {
 public:
  TCannotCreateFile(const std::string& fullPath, std::string reason);
  std::string Reason;
};

// Refuses folder, a folder the tools write into (a frame folder, a preview
// or output folder, by name or by the user's argument), when a link of
// another user stands at its name (TFileSystem::IsLinkOfAnotherUser): in a
// shared folder it could send the files into someone's own folder. Raises
// "Not following a link owned by another user: <folder>" (without its
// trailing delimiter). The user's own links and root's are followed.
void CheckWrittenFolder(TFileSystem& fs, const std::string& folder);

// Reads the whole file into bytes (replacing their content). Raises
// TSystemError, whose code tells a missing file from others, when the file
// cannot be opened or read, "File too large: <path>" from 4 GiB on. Not for
// a failure the tools show as it is: LoadNamedFile names the file.
void LoadWholeFile(TFileSystem& fs, const std::string& path, std::vector<uint8_t>& bytes);

// The whole file at path, for a file the tools name in their messages
// (archives, bitmaps, setup.ini): one that cannot be opened (missing,
// unreadable, a folder) is "Cannot open file "<full path>". <text>", one
// that fails while it is read "Cannot read file "<full path>". <text>";
// otherwise as TFileSystem::ReadFile ("Not a regular file: <path>"
// included).
std::vector<uint8_t> LoadNamedFile(TFileSystem& fs, const std::string& path);

// Writes bytes as the file at path, whole or not at all
// (TFileSystem::WriteFileAtomic), making its folders first. durable: flush
// the data to the disk before the rename (archives; not the many small
// bitmaps of an unpack). Raises "Cannot create file "<full path>". <text>"
// when the file cannot be created or written (also when the target is a
// folder, and for a full disk), "Not a folder: <full path>" when a part of
// its folder is a file, "Not a regular file: <path>" (TNotRegularFile) when
// a device, pipe or socket stands at path, links followed: nothing is
// written then.
void SaveWholeFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes,
                   bool durable = false);

// SaveWholeFile for a file written as it is made (a GIF, image after
// image), so that it is never held whole in memory: its folders are made
// and its replacement begun here (TFileSystem::BeginReplace), each Append
// goes on at its end, and Save puts it in place. Destroyed without Save
// (an exception passing), the bytes written are removed and the file at
// path stays as it was. The messages are SaveWholeFile's, from whichever
// step fails. named: the path the messages give, when not path.
class TStreamedFile {
 public:
  TStreamedFile(TFileSystem& fs, const std::string& path, bool durable = false,
                const std::string& named = {});
  void Append(std::span<const uint8_t> bytes);
  void Save();

 private:
  [[noreturn]] void Fail(const TSystemError& error) const;

  TFileSystem& Fs_;
  std::string Named_;
  std::unique_ptr<TFileReplacement> File_;
  uint64_t Size_ = 0;
};

// The file an archive the user named is written as: path, or where the
// links at path lead (TFileSystem::ResolveLinks), so that the archive is
// replaced beside its target and the link stays. Links are followed under
// the rule of the folders written (CheckWrittenFolder): a link of another
// user on the way is "Not following a link owned by another user: <link>".
std::string FollowedArchiveLinks(TFileSystem& fs, const std::string& path);

// SaveWholeFile (durable) for an archive the user named, written through
// its links (FollowedArchiveLinks). Every failure names the archive as the
// user named it: "Cannot create file "<full path>". <text>", a full disk
// included, "Not a regular file: <path>" for a device, pipe or socket
// there or at the end of its links.
void SaveArchiveFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes);

// SaveArchiveFile for an archive written as it is built, so that it is not
// held whole in memory: the pieces go into the replacement of the archive
// (TFileSystem::BeginReplace) at their offsets. The messages are
// SaveArchiveFile's, and come only from Save: whatever fails before is kept
// until then, so a bad bitmap found later still gives its own message, as
// when the archive was written last. Where the archive's folder does not
// exist yet or the file cannot be made now, nothing is written as it
// comes (Streaming() is false) and Save is SaveArchiveFile of the whole.
class TArchiveFileOutput {
 public:
  TArchiveFileOutput(TFileSystem& fs, std::string path);
  // Whether the pieces go into the file (false after a failed write too).
  bool Streaming() const { return File_ != nullptr; }
  // Writes bytes at offset of the archive file (Streaming() only).
  void WriteAt(uint64_t offset, std::span<const uint8_t> bytes);
  // Puts the archive in place: the one written, or whole, the bytes given.
  void Save(std::span<const uint8_t> whole);

 private:
  TFileSystem& Fs_;
  std::string Path_;
  std::unique_ptr<TFileReplacement> File_;
  std::unique_ptr<TSystemError> Failure_;
};

// SaveWholeFile (not durable) for files written by the thousand, the
// bitmaps of an unpack: a file that does not exist yet is created and
// written in place (TFileSystem::WriteNewFile, which removes it again on a
// failure), saving the temporary file and the rename; anything else (an
// existing file, a folder of that name, a folder still to make, a file that
// cannot be created) goes through SaveWholeFile, with its messages; a
// failure after creation is "Cannot create file "<full path>". <text>" too.
void SaveNewOrReplaceFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes);

// The folder of the running executable, with its trailing delimiter.
// Raises "Cannot find the program's own folder. <text>".
std::string ApplicationFolder(TFileSystem& fs);

}  // namespace icnkit
