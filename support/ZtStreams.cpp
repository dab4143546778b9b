// The stream helpers, the memory stream and the file stream.
#include "support/ZtStreams.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "support/ZtSysUtils.h"

void TZtStream::ReadBuffer(void* buffer, int64_t count) {
  if (count <= 0) return;
  if (Read(buffer, count) != count) throw TZtError("Stream read error");
}

void TZtStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count <= 0) return;
  if (Write(buffer, count) != count) throw TZtError("Stream write error");
}

// --- TZtMemoryStream ---

TZtMemoryStream::TZtMemoryStream(const std::vector<uint8_t>& bytes) {
  Bytes_.Resize(bytes.size());
  if (!bytes.empty()) std::memcpy(Bytes_.Data(), bytes.data(), bytes.size());
}

int64_t TZtMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t size = Size();
  if (count <= 0 || Position_ < 0 || Position_ >= size) return 0;
  const int64_t n = std::min(count, size - Position_);
  std::memcpy(buffer, Bytes_.Data() + Position_, static_cast<size_t>(n));
  Position_ += n;
  return n;
}

int64_t TZtMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || Position_ < 0) return 0;
  if (count > std::numeric_limits<int64_t>::max() - Position_) return 0;
  const int64_t end = Position_ + count;
  if (end > Size()) SetSize(end);
  std::memcpy(Bytes_.Data() + Position_, buffer, static_cast<size_t>(count));
  Position_ = end;
  return count;
}

int64_t TZtMemoryStream::Seek(int64_t offset, uint32_t origin) {
  const int64_t base = origin == kSeekBegin ? 0 : origin == kSeekCurrent ? Position_ : Size();
  int64_t target = 0;
  // A position outside the bytes is allowed (reads there give nothing);
  // only one that cannot be represented is refused.
  if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) ||
      (offset < 0 && base < std::numeric_limits<int64_t>::min() - offset)) {
    throw TZtError("Stream seek error");
  }
  target = base + offset;
  Position_ = target;
  return Position_;
}

void TZtMemoryStream::SetSize(int64_t size) {
  if (size < 0 || static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max()) {
    throw TZtError("Stream write error");
  }
  Bytes_.Resize(static_cast<size_t>(size));
}

std::vector<uint8_t> TZtMemoryStream::ToVector() const {
  const uint8_t* data = Bytes_.Data();
  return data == nullptr ? std::vector<uint8_t>()
                         : std::vector<uint8_t>(data, data + Bytes_.Size());
}

// --- TZtFileStream ---

TZtFileStream::TZtFileStream(const std::string& path, uint32_t access, uint32_t share,
                             uint32_t disposition) {
  TZtPlatform& platform = ZtPlatform();
  Handle_ = platform.CreateFile(path, access, share, disposition, kFileAttributeNormal);
  if (Handle_ == kInvalidHandle) {
    // Keep the code before GetFullPathName can overwrite it.
    const uint32_t code = platform.GetLastError();
    std::string full = platform.GetFullPathName(path);
    if (full.empty()) full = path;
    throw TZtError(
        ZtFormat("Cannot open file \"%s\". %s", full.c_str(), SystemErrorText(code).c_str()));
  }
}

TZtFileStream::~TZtFileStream() {
  ZtPlatform().CloseHandle(Handle_);
}

// The platform moves at most 32 bits of bytes per call; larger requests are
// split, and a read that returns 0 bytes is the end of the file.
int64_t TZtFileStream::Read(void* buffer, int64_t count) {
  uint8_t* bytes = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<int64_t>(count - done, 1 << 30));
    uint32_t read = 0;
    if (!ZtPlatform().ReadFile(Handle_, bytes + done, chunk, &read)) ThrowSystemError();
    if (read == 0) break;
    done += read;
  }
  return done;
}

int64_t TZtFileStream::Write(const void* buffer, int64_t count) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<int64_t>(count - done, 1 << 30));
    uint32_t written = 0;
    if (!ZtPlatform().WriteFile(Handle_, bytes + done, chunk, &written)) ThrowSystemError();
    if (written == 0) break;
    done += written;
  }
  return done;
}

int64_t TZtFileStream::Seek(int64_t offset, uint32_t origin) {
  int64_t position = 0;
  if (!ZtPlatform().SetFilePointer(Handle_, offset, origin, &position)) ThrowSystemError();
  return position;
}

int64_t TZtFileStream::Size() {
  uint64_t size = 0;
  if (!ZtPlatform().GetFileSize(Handle_, &size)) ThrowSystemError();
  return static_cast<int64_t>(std::min<uint64_t>(size, std::numeric_limits<int64_t>::max()));
}

void TZtFileStream::SetSize(int64_t size) {
  const int64_t here = Position();
  Seek(size, kSeekBegin);
  if (!ZtPlatform().SetEndOfFile(Handle_)) ThrowSystemError();
  Seek(std::min(here, size), kSeekBegin);
}
