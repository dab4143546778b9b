// TMemoryFileSystem: the in-memory file system of fs/ (fs/InMemoryFileSystem.h)
// for tests: every change is logged in order, and any method can be made to
// fail, on its Nth call or for one path.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "fs/InMemoryFileSystem.h"

using namespace icnkit;

class TMemoryFileSystem : public TInMemoryFileSystem {
 public:
  using TInMemoryFileSystem::TInMemoryFileSystem;

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

  // "write /a" (a replacement committed), "create /a" (WriteNewFile),
  // "copy /a /b", "folder /a", "remove /a", "unfolder /a" (RemoveFolder);
  // failures are not logged.
  std::vector<std::string> Log;

 protected:
  // Counts the call and throws the failure planned for it, if any.
  void Enter(const std::string& method, const std::string& key) override;
  void Changed(const std::string& change) override { Log.push_back(change); }

 private:
  struct TFailure {
    std::string Method;
    uint32_t Code;
    int Call;  // counted in calls of Method; 0: every call
    std::string Path;
    bool Inside;  // everything inside the folder Path
    bool Opening;
  };
  std::vector<TFailure> Failures_;
  std::map<std::string, int> Calls_;
};
