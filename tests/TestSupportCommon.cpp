// The test helpers that are the same on every platform: whole-file I/O
// through the standard streams, the native file system and the capturing
// report sink.
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "tests/TestSupport.h"

using namespace icnkit;

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

namespace {

void CollectFiles(const std::string& folder, const std::string& prefix,
                  std::map<std::string, std::vector<uint8_t>>& files) {
  for (const std::string& name : ListNames(folder + prefix)) {
    const std::string path = folder + prefix + name;
    if (NativeFs().Stat(path).Kind == TPathKind::Folder) {
      CollectFiles(folder, prefix + name + "/", files);
    } else {
      files[prefix + name] = ReadBytes(path);
    }
  }
}

}  // namespace

std::map<std::string, std::vector<uint8_t>> FilesBelow(const std::string& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  CollectFiles(folder, "", files);
  return files;
}

TFileSystem& NativeFs() {
  static const std::unique_ptr<TFileSystem> fs = MakeNativeFileSystem();
  return *fs;
}

bool TCapturingReport::Inform(const std::string& caption, const std::string& text) {
  Messages.push_back({caption, text, false});
  return Result;
}
bool TCapturingReport::Fail(const std::string& caption, const std::string& text) {
  Messages.push_back({caption, text, true});
  return Result;
}
