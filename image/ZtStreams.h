// Streams over bytes in memory.
//
// TZtStream is a byte stream with read, write, 64-bit seek, size and set
// size. TZtMemoryStream keeps its bytes in memory, and TZtReplaceStream shows
// a block of replacement bytes in place of part of another stream (a
// corrected header in front of data that is not copied). Files are read and
// written whole through the file system (fs/), never as streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/ZtZeroedBuffer.h"

// Seek origins.
constexpr uint32_t kSeekBegin = 0;
constexpr uint32_t kSeekCurrent = 1;
constexpr uint32_t kSeekEnd = 2;

class TZtStream {
 public:
  virtual ~TZtStream() = default;
  // Reads up to count bytes at the position; returns the count read (fewer
  // at the end of the data). Failures of the medium raise SystemError.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes count bytes at the position; returns the count written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position: origin kSeekBegin, kSeekCurrent or kSeekEnd.
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, uint32_t origin) = 0;
  virtual int64_t Size() = 0;
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, kSeekCurrent); }
  // Reads exactly count bytes or raises "Stream read error".
  void ReadBuffer(void* buffer, int64_t count);
  // Writes exactly count bytes or raises "Stream write error".
  void WriteBuffer(const void* buffer, int64_t count);
};

// Bytes in memory, growing on writes past the end. New bytes are zero and
// cost no memory until written (TZtZeroedBuffer), so a bitmap declared large
// but filled little stays cheap.
class TZtMemoryStream : public TZtStream {
 public:
  TZtMemoryStream() = default;
  explicit TZtMemoryStream(const std::vector<uint8_t>& bytes);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, uint32_t origin) override;
  int64_t Size() override { return static_cast<int64_t>(Bytes_.Size()); }
  // Grows with zero bytes or cuts; the position stays.
  void SetSize(int64_t size) override;

  uint8_t* Data() { return Bytes_.Data(); }
  std::vector<uint8_t> ToVector() const;

 private:
  TZtZeroedBuffer Bytes_;
  int64_t Position_ = 0;
};

// Read-only overlay: inside [blockStart, blockStart + replacement size) the
// replacement's bytes are shown, elsewhere the source's.
class TZtReplaceStream : public TZtStream {
 public:
  TZtReplaceStream(TZtStream* source, TZtStream* replacement, bool ownsSource, bool ownsReplacement,
                   int64_t blockStart);
  ~TZtReplaceStream() override;
  TZtReplaceStream(const TZtReplaceStream&) = delete;
  TZtReplaceStream& operator=(const TZtReplaceStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  // Not supported: raises a TZtError whose message begins "Assertion failure".
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, uint32_t origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;

 private:
  TZtStream* Source_;
  TZtStream* Replacement_;
  int64_t BlockStart_;
  int64_t BlockEnd_;
  int64_t Position_;
  bool OwnsSource_;
  bool OwnsReplacement_;
};
