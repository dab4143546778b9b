// TInMemoryFileSystem: a TFileSystem whose files and folders live in memory,
// for the library's in-memory unpack and pack (a frame folder as named
// files, as the WebAssembly module has no disk) and, with failures on
// demand, for the tests (tests/MemoryFileSystem.h builds on it).
//
// Files and folders live in maps keyed by their full path spelled with '/'
// ("/a/b"; with a drive, "C:/a/b"). Paths given to it are split as the file
// system of the given path style splits them (the native one unless told):
// POSIX at '/' only; Windows at '\' and '/' alike, with a drive "X:" in
// front or none. A relative path is taken against CurrentFolder; FullPath
// gives the key. A replacement (BeginReplace, and so WriteFileAtomic) keeps
// its bytes until Commit puts them in place whole. Failures are those of a
// disk: a missing folder, a folder where a file should be, and so on, with
// the system's codes of POSIX.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fs/FileSystem.h"
#include "fs/Path.h"

namespace icnkit {

class TInMemoryFileSystem : public TFileSystem {
 public:
  explicit TInMemoryFileSystem(const TZtPathStyle& style = NativePathStyle());

  // Set-up: a file (its folders made) and a folder chain.
  void AddFile(const std::string& path, const std::vector<uint8_t>& bytes);
  void AddFolder(const std::string& path);

  std::map<std::string, std::vector<uint8_t>> Files;
  std::set<std::string> Folders;
  // Pipes, devices, sockets (keys; their folders must exist): listed and
  // Stat as Other, refused by ReadFile as the native file systems do.
  std::set<std::string> Others;
  // Keys at which a link of another user stands (IsLinkOfAnotherUser).
  std::set<std::string> LinksOfOtherUsers;
  std::string CurrentFolder = "/";
  std::string Executable = "/opt/icnkit/tool";

  TPathInfo Stat(const std::string& path) override;
  std::vector<uint8_t> ReadFile(const std::string& path) override;
  bool WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) override;
  TFolderListing ListFolder(const std::string& folder) override;
  bool MakeFolder(const std::string& path) override;
  bool Remove(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  std::string FullPath(const std::string& path) override;
  std::string ExecutablePath() override;
  bool IsLinkOfAnotherUser(const std::string& path) override;

  // The full path without a trailing '/' ("/" or "X:/" for a root).
  std::string Key(const std::string& path);

 protected:
  std::unique_ptr<TFileReplacement> StartReplace(const std::string& path, bool durable) override;
  void CopyInto(const std::string& from, const std::string& to) override;

  // Called as every method starts (its name, the key of the path it works
  // on; "Stat" too, and "WriteAt" and "Commit" of a replacement), before it
  // looks at anything: a subclass counts calls or throws a failure here.
  virtual void Enter(const std::string& /*method*/, const std::string& /*key*/) {}
  // Called with every change made, in order: "write /a" (a replacement
  // committed), "create /a" (WriteNewFile), "copy /a /b", "folder /a",
  // "remove /a", "unfolder /a" (RemoveFolder).
  virtual void Changed(const std::string& /*change*/) {}
  const TZtPathStyle& Style() const { return Style_; }

 private:
  class TReplacement;
  // path with every delimiter of the style spelled '/'.
  std::string WithSlashes(const std::string& path) const;
  // True when path (spelled with '/') begins with a drive "X:".
  bool HasDrive(const std::string& path) const;
  // Throws the error of a missing or non-folder parent of full.
  void NeedParent(const std::string& full, bool opening);
  // Throws the error of making a file at key (a folder there, no parent).
  void NeedFilePlace(const std::string& key);

  TZtPathStyle Style_;
};

}  // namespace icnkit
