// TMemoryFileSystem: a TFileSystem in memory for tests. Files and folders
// live in maps keyed by their full path spelled with '/' ("/a/b"; with a
// drive, "C:/a/b"). Paths given to it are split as the file system of the
// given path style splits them (the native one unless told): POSIX at '/'
// only; Windows at '\' and '/' alike, with a drive "X:" in front or none.
// A relative path is taken against CurrentFolder; FullPath gives the key.
// Every change is logged in order, and any method can be made to fail, on
// its Nth call or for one path. A replacement (BeginReplace, and so
// WriteFileAtomic) keeps its bytes until Commit puts them in place whole.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fs/FileSystem.h"
#include "fs/Path.h"

class TMemoryFileSystem : public TFileSystem {
 public:
  explicit TMemoryFileSystem(const TZtPathStyle& style = NativePathStyle());

  // Set-up, not logged: a file (its folders made) and a folder chain.
  void AddFile(const std::string& path, const std::vector<uint8_t>& bytes);
  void AddFolder(const std::string& path);

  // Makes method fail with code: "ReadFile", "BeginReplace" (the temporary
  // file cannot be made), "WriteAt" and "Commit" (of a replacement),
  // "WriteNewFile", "ListFolder", "MakeFolder", "Remove", "RemoveFolder", "CopyFile" (for
  // the target) or "ExecutablePath"; on its call number
  // call (1-based, counted from now; 0: every call), and for path only when
  // it is not empty (any spelling of it; ending in a delimiter, everything
  // inside that folder, as in a folder nothing can be written in). opening:
  // the failure is one of opening.
  void FailOn(const std::string& method, uint32_t code, int call = 0, const std::string& path = {},
              bool opening = false);
  // How often method (one of those, or "Stat") was called.
  int Calls(const std::string& method) const;

  std::map<std::string, std::vector<uint8_t>> Files;
  std::set<std::string> Folders;
  // Pipes, devices, sockets (keys; their folders must exist): listed and
  // Stat as Other, refused by ReadFile as the native file systems do.
  std::set<std::string> Others;
  // Keys at which a link of another user stands (IsLinkOfAnotherUser).
  std::set<std::string> LinksOfOtherUsers;
  std::string CurrentFolder = "/";
  std::string Executable = "/opt/icnkit/tool";
  // "write /a" (a replacement committed), "create /a" (WriteNewFile),
  // "copy /a /b", "folder /a", "remove /a", "unfolder /a" (RemoveFolder);
  // failures are not logged.
  std::vector<std::string> Log;

  TPathInfo Stat(const std::string& path) override;
  std::vector<uint8_t> ReadFile(const std::string& path) override;
  std::unique_ptr<TFileReplacement> BeginReplace(const std::string& path, bool durable) override;
  bool WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) override;
  TFolderListing ListFolder(const std::string& folder) override;
  bool MakeFolder(const std::string& path) override;
  bool Remove(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  void CopyFile(const std::string& from, const std::string& to) override;
  std::string FullPath(const std::string& path) override;
  std::string ExecutablePath() override;
  bool IsLinkOfAnotherUser(const std::string& path) override;

 private:
  class TReplacement;
  struct TFailure {
    std::string Method;
    uint32_t Code;
    int Call;  // counted in calls of Method; 0: every call
    std::string Path;
    bool Inside;  // everything inside the folder Path
    bool Opening;
  };
  // Counts the call and throws the failure planned for it, if any.
  void Enter(const std::string& method, const std::string& full);
  // The full path without a trailing '/' ("/" or "X:/" for a root).
  std::string Key(const std::string& path);
  // path with every delimiter of the style spelled '/'.
  std::string WithSlashes(const std::string& path) const;
  // True when path (spelled with '/') begins with a drive "X:".
  bool HasDrive(const std::string& path) const;
  // Throws the error of a missing or non-folder parent of full.
  void NeedParent(const std::string& full, bool opening);
  // Throws the error of making a file at key (a folder there, no parent).
  void NeedFilePlace(const std::string& key);

  TZtPathStyle Style_;
  std::vector<TFailure> Failures_;
  std::map<std::string, int> Calls_;
};
