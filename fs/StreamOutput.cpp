// The file named "-" on a stream: written in order as it comes, or kept
// until it is complete.
#include "fs/StreamOutput.h"

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace icnkit {

namespace {

class TStreamReplacement : public TFileReplacement {
 public:
  explicit TStreamReplacement(std::FILE* out) : Out_(out) {}

  void WriteAt(uint64_t offset, std::span<const uint8_t> bytes) override {
    if (offset == Sent_ && Kept_.empty()) {
      Send(bytes);
      return;
    }
    // Bytes already sent cannot be written again; a writer that comes back
    // to them (none does) fails rather than sending a wrong file.
    if (offset < Sent_) Fail(ESPIPE);
    const uint64_t end = offset - Sent_ + bytes.size();
    if (end > Kept_.size()) Kept_.resize(static_cast<size_t>(end));
    if (!bytes.empty()) std::memcpy(Kept_.data() + (offset - Sent_), bytes.data(), bytes.size());
  }

  void Commit() override {
    Send(Kept_);
    Kept_.clear();
    errno = 0;
    if (std::fflush(Out_) != 0) Fail(errno);
  }

 private:
  void Send(std::span<const uint8_t> bytes) {
    errno = 0;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), Out_) != bytes.size()) {
      Fail(errno);
    }
    Sent_ += bytes.size();
  }
  // The C library's errno and its text (on Windows too, where
  // NativeErrorText speaks the system's codes).
  [[noreturn]] static void Fail(int code) {
    if (code == 0) code = EIO;
    throw TSystemError(static_cast<uint32_t>(code), TrimErrorText(std::strerror(code)));
  }

  std::FILE* Out_;
  uint64_t Sent_ = 0;
  std::vector<uint8_t> Kept_;  // the bytes from Sent_ on
};

}  // namespace

TPathInfo TStreamOutputFileSystem::Stat(const std::string& path) {
  return path == Name_ ? TPathInfo{} : Inner_.Stat(path);
}

bool TStreamOutputFileSystem::WriteNewFile(const std::string& path,
                                           std::span<const uint8_t> bytes) {
  if (path != Name_) return Inner_.WriteNewFile(path, bytes);
  WriteFileAtomic(path, bytes, false);
  return true;
}

std::string TStreamOutputFileSystem::FullPath(const std::string& path) {
  return path == Name_ ? "standard output" : Inner_.FullPath(path);
}

std::string TStreamOutputFileSystem::ResolveLinks(const std::string& path) {
  return path == Name_ ? path : Inner_.ResolveLinks(path);
}

bool TStreamOutputFileSystem::IsLinkOfAnotherUser(const std::string& path) {
  return path != Name_ && Inner_.IsLinkOfAnotherUser(path);
}

std::unique_ptr<TFileReplacement> TStreamOutputFileSystem::StartReplace(const std::string& path,
                                                                        bool durable) {
  if (path == Name_) return std::make_unique<TStreamReplacement>(Out_);
  return Inner_.BeginReplace(path, durable);
}

void TStreamOutputFileSystem::CopyInto(const std::string& from, const std::string& to) {
  if (to != Name_) {
    Inner_.CopyFile(from, to);
    return;
  }
  WriteFileAtomic(to, Inner_.ReadFile(from), false);
}

}  // namespace icnkit
