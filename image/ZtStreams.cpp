// The stream helpers and the memory stream.
#include "image/ZtStreams.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "format/Error.h"

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
