// The parts of the file-system layer every platform shares.
#include "fs/FileSystem.h"

#include <cerrno>
#include <cstdint>
#include <utility>

namespace icnkit {

namespace {

std::string MessageOf(uint32_t code, const std::string& text) {
  if (code == 0) return "A call to an OS function failed";
  return ZtFormat("System Error.  Code: %u.\r\n%s", static_cast<unsigned>(code), text.c_str());
}

}  // namespace

void TFileSystem::RefuseIrregular(const std::string& path) {
  if (Stat(path).Kind == TPathKind::Other) throw icnkit::TNotRegularFile(path);
}

std::unique_ptr<TFileReplacement> TFileSystem::BeginReplace(const std::string& path, bool durable) {
  RefuseIrregular(path);
  return StartReplace(path, durable);
}

void TFileSystem::CopyFile(const std::string& from, const std::string& to) {
  RefuseIrregular(to);
  CopyInto(from, to);
}

std::vector<uint8_t> TFileSystem::ReadFileHead(const std::string& path, size_t limit,
                                               uint64_t& size) {
  std::vector<uint8_t> bytes = ReadFile(path);
  size = bytes.size();
  if (bytes.size() > limit) bytes.resize(limit);
  return bytes;
}

void TFileSystem::WriteFileAtomic(const std::string& path, std::span<const uint8_t> bytes,
                                  bool durable) {
  const std::unique_ptr<TFileReplacement> file = BeginReplace(path, durable);
  file->WriteAt(0, bytes);
  file->Commit();
}

TSystemError::TSystemError(uint32_t code, std::string text, bool opening)
    : TZtError(MessageOf(code, text),
               IsMissingFileCode(code) ? TZtErrorKind::Missing : TZtErrorKind::System),
      Code(code),
      Text(std::move(text)),
      Opening(opening) {}

bool IsMissingFileCode(uint32_t code) {
#if defined(_WIN32)
  return code == 2 || code == 3;  // ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND
#else
  // ENOENT is 2 on Linux and the BSDs, 44 in WebAssembly's C library.
  return code == uint32_t{ENOENT};
#endif
}

std::string TrimErrorText(std::string text) {
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 32 || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

void TFolderListing::Reserve(size_t entries, size_t nameBytes) {
  if (nameBytes + 2 * entries > UINT32_MAX) return;  // Add says why
  Starts_.reserve(entries);
  Text_.reserve(nameBytes + 2 * entries);
}

void TFolderListing::Add(std::string_view name, TPathKind kind) {
  name = name.substr(0, name.find('\0'));
  // Offsets are 32-bit: a folder of 4 GiB of names is not listed.
  if (Text_.size() + name.size() + 2 > UINT32_MAX) throw TZtError("Too many files in a folder");
  Starts_.push_back(static_cast<uint32_t>(Text_.size()));
  Text_ += static_cast<char>(kind);
  Text_ += name;
  Text_ += '\0';
}

}  // namespace icnkit
