#include "api/LibraryFileSystem.h"

#include <atomic>
#include <memory>

namespace icnkit {

namespace {

std::atomic<TFileSystem*> chosen{nullptr};

TFileSystem& NativeFileSystem() {
  // The native file systems keep no state between calls: one serves all.
  static const std::unique_ptr<TFileSystem> native = MakeNativeFileSystem();
  return *native;
}

}  // namespace

TFileSystem& LibraryFileSystem() {
  TFileSystem* fs = chosen.load();
  return fs != nullptr ? *fs : NativeFileSystem();
}

TLibraryFileSystem::TLibraryFileSystem(TFileSystem& fs) : Before_(chosen.exchange(&fs)) {}

TLibraryFileSystem::~TLibraryFileSystem() {
  chosen.store(Before_);
}

}  // namespace icnkit
