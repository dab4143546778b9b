// The test helpers that are the same on every platform: whole-file I/O
// through the standard streams, the test file systems and report sink over
// the native ones.
#include "tests/TestSupport.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

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
TFolderListing TFailingFileSystem::ListFolder(const std::string& folder) {
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
