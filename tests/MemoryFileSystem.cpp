// TMemoryFileSystem: failures on demand, counted calls and a log over the
// in-memory file system of fs/.
#include "tests/MemoryFileSystem.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

using namespace icnkit;

namespace {

// The methods that count their calls, the names FailOn and Calls take.
const char* const kMethods[] = {"Stat",   "ReadFile",     "BeginReplace", "WriteAt",
                                "Commit", "WriteNewFile", "ListFolder",   "MakeFolder",
                                "Remove", "RemoveFolder", "CopyFile",     "ExecutablePath"};

// A test asking for a method the file system never counts would pass
// without testing anything.
[[noreturn]] void NoSuchMethod(const std::string& method) {
  throw std::invalid_argument("TMemoryFileSystem: no method \"" + method + "\" to count or fail");
}

}  // namespace

void TMemoryFileSystem::FailOn(const std::string& method, uint32_t code, int call,
                               const std::string& path, bool opening) {
  if (method == "Stat") NoSuchMethod(method);  // it never fails
  const int done = Calls(method);
  const bool inside = !path.empty() && std::strchr(Style().TrailingSet, path.back()) != nullptr;
  std::string key = path.empty() ? path : Key(path);
  if (inside && key.back() != '/') key += '/';
  Failures_.push_back({method, code, call == 0 ? 0 : done + call, key, inside, opening});
}

int TMemoryFileSystem::Calls(const std::string& method) const {
  if (std::find(std::begin(kMethods), std::end(kMethods), method) == std::end(kMethods)) {
    NoSuchMethod(method);
  }
  const auto found = Calls_.find(method);
  return found == Calls_.end() ? 0 : found->second;
}

void TMemoryFileSystem::Enter(const std::string& method, const std::string& full) {
  const int call = ++Calls_[method];
  for (const TFailure& failure : Failures_) {
    if (failure.Method != method) continue;
    if (failure.Call != 0 && failure.Call != call) continue;
    if (failure.Inside ? !full.starts_with(failure.Path)
                       : !failure.Path.empty() && failure.Path != full) {
      continue;
    }
    throw TSystemError(failure.Code, NativeErrorText(failure.Code), failure.Opening);
  }
}
