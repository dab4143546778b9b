// The test file systems and report sink over the native ones, the same on
// every platform.
#include "tests/TestSupport.h"

TFileSystem& NativeFs() {
  static const std::unique_ptr<TFileSystem> fs = MakeNativeFileSystem();
  return *fs;
}

void TFailingFileSystem::Inject(const std::string& method, const std::string& path) {
  Log.push_back(method + " " + path);
  const uint32_t code = FailWith ? FailWith(method, path) : 0;
  if (code == 0) return;
  const bool opens = method == "ReadFile" || method == "WriteFileAtomic" ||
                     method == "WriteNewFile" || method == "CopyFile";
  throw TSystemError(code, NativeErrorText(code), opens && FailuresAreOpening);
}

TPathInfo TFailingFileSystem::Stat(const std::string& path) {
  return NativeFs().Stat(path);
}
std::vector<uint8_t> TFailingFileSystem::ReadFile(const std::string& path) {
  Inject("ReadFile", path);
  return NativeFs().ReadFile(path);
}
void TFailingFileSystem::WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes,
                                         bool durable) {
  Inject("WriteFileAtomic", path);
  NativeFs().WriteFileAtomic(path, bytes, durable);
}
bool TFailingFileSystem::WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) {
  Inject("WriteNewFile", path);
  return NativeFs().WriteNewFile(path, bytes);
}
std::vector<TFolderEntry> TFailingFileSystem::ListFolder(const std::string& folder) {
  Inject("ListFolder", folder);
  return NativeFs().ListFolder(folder);
}
bool TFailingFileSystem::MakeFolder(const std::string& path) {
  Inject("MakeFolder", path);
  return NativeFs().MakeFolder(path);
}
bool TFailingFileSystem::Remove(const std::string& path) {
  Inject("Remove", path);
  return NativeFs().Remove(path);
}
void TFailingFileSystem::CopyFile(const std::string& from, const std::string& to) {
  Inject("CopyFile", to);
  NativeFs().CopyFile(from, to);
}
std::string TFailingFileSystem::FullPath(const std::string& path) {
  return NativeFs().FullPath(path);
}
std::string TFailingFileSystem::ExecutablePath() {
  return NativeFs().ExecutablePath();
}

bool TCapturingReport::Inform(const std::string& caption, const std::string& text) {
  Messages.push_back({caption, text, false});
  return Result;
}
bool TCapturingReport::Fail(const std::string& caption, const std::string& text) {
  Messages.push_back({caption, text, true});
  return Result;
}
