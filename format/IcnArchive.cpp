#include "format/IcnArchive.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "format/Bytes.h"
#include "format/Error.h"
#include "format/Generation.h"

namespace icnkit {

namespace {

// Offset of record i; the caller has checked that the whole table fits.
size_t RecordOffset(TIcnGeneration generation, size_t i) {
  return kIcnHeaderSize + i * RecordSize(generation);
}

// The first 6 + R * FrameCount bytes hold the header and the table.
bool TableFits(TArchiveImage image, TIcnGeneration generation) {
  if (image.size() < kIcnHeaderSize) return false;
  const uint64_t tableEnd = kIcnHeaderSize + uint64_t{FrameCount(image)} * RecordSize(generation);
  return tableEnd <= image.size();
}

}  // namespace

// Both layouts: Left, Top, Width and Height at 0 to 7; H2's Bits at 8; the
// DataOffset in the last four bytes.
template <bool kHasBits>
TIcnFrame TIcnFrameRecord<kHasBits>::Read(const uint8_t* record) {
  TIcnFrame frame;
  frame.Left = static_cast<int16_t>(GetU16(record + 0));
  frame.Top = static_cast<int16_t>(GetU16(record + 2));
  frame.Width = GetU16(record + 4);
  frame.Height = GetU16(record + 6);
  if constexpr (kHasBits) frame.Bits = record[8];
  frame.DataOffset = GetU32(record + kSize - 4);
  return frame;
}

template <bool kHasBits>
void TIcnFrameRecord<kHasBits>::Write(uint8_t* record, const TIcnFrame& frame) {
  PutU16(record + 0, static_cast<uint16_t>(frame.Left));
  PutU16(record + 2, static_cast<uint16_t>(frame.Top));
  PutU16(record + 4, frame.Width);
  PutU16(record + 6, frame.Height);
  if constexpr (kHasBits) record[8] = frame.Bits;
  PutU32(record + kSize - 4, frame.DataOffset);
}

template struct TIcnFrameRecord<false>;
template struct TIcnFrameRecord<true>;

void ValidateArchive(TArchiveImage image, TIcnGeneration generation) {
  if (image.size() < kIcnHeaderSize) {
    throw TZtError("Invalid archive: file shorter than its header");
  }
  if (!TableFits(image, generation)) {
    throw TZtError("Invalid archive: frame table runs past the end of the file");
  }
  // A stream needs at least its end-of-frame code, so a start at the very
  // end of the file is outside too.
  const uint16_t count = FrameCount(image);
  for (size_t i = 0; i < count; ++i) {
    const TIcnFrame record = FrameRecordAt(image, generation, i);
    if (FrameDataAt(image, record) >= image.size()) {
      throw TZtError(ZtFormat("Invalid archive: frame %d starts outside the file", int(i)));
    }
  }
}

uint16_t FrameCount(TArchiveImage image) {
  return image.size() < 2 ? 0 : GetU16(image.data());
}

TIcnFrame FrameRecordAt(TArchiveImage image, TIcnGeneration generation, size_t i) {
  // Guarded even though callers validate: a bad index must not read outside.
  if (i >= FrameCount(image) || !TableFits(image, generation)) {
    throw TZtError("Invalid archive: frame table runs past the end of the file");
  }
  const uint8_t* record = image.data() + RecordOffset(generation, i);
  return GenerationInfo(generation).ReadRecord(record);
}

TRectangle UnionRectangle(TArchiveImage image, TIcnGeneration generation) {
  const size_t count = FrameCount(image);
  if (count == 0) return {};
  int32_t left = INT32_MAX;
  int32_t top = INT32_MAX;
  int32_t right = INT32_MIN;
  int32_t bottom = INT32_MIN;
  for (size_t i = 0; i < count; ++i) {
    const TIcnFrame record = FrameRecordAt(image, generation, i);
    left = std::min<int32_t>(left, record.Left);
    top = std::min<int32_t>(top, record.Top);
    right = std::max<int32_t>(right, int32_t{record.Left} + int32_t{record.Width});
    bottom = std::max<int32_t>(bottom, int32_t{record.Top} + int32_t{record.Height});
  }
  // Each edge lies within [-32768, 98302], so the differences fit.
  return TRectangle{left, top, right - left, bottom - top};
}

size_t FrameDataAt(TArchiveImage, const TIcnFrame& record) {
  return kIcnHeaderSize + size_t{record.DataOffset};
}

size_t FirstStreamAt(TArchiveImage image, TIcnGeneration generation) {
  size_t first = image.size();
  const size_t count = FrameCount(image);
  for (size_t i = 0; i < count; ++i) {
    first = std::min(first, FrameDataAt(image, FrameRecordAt(image, generation, i)));
  }
  return first;
}

size_t FrameDataEnd(TArchiveImage image, TIcnGeneration generation, size_t i) {
  const size_t start = FrameDataAt(image, FrameRecordAt(image, generation, i));
  size_t end = image.size();
  if (i + 1 < FrameCount(image)) {
    const size_t next = FrameDataAt(image, FrameRecordAt(image, generation, i + 1));
    if (next > start && next < end) end = next;
  }
  return end;
}

std::span<const uint8_t> FrameStream(TArchiveImage image, const TIcnFrame& record) {
  const size_t start = FrameDataAt(image, record);
  if (start >= image.size()) return {};
  return image.subspan(start);
}

std::optional<TIcnFrame> RecordOfBox(const TRectangle& box, int64_t x, int64_t y) {
  const int64_t left = x + box.Left;
  const int64_t top = y + box.Top;
  if (left < INT16_MIN || left > INT16_MAX || top < INT16_MIN || top > INT16_MAX ||
      box.Width > UINT16_MAX || box.Height > UINT16_MAX) {
    return std::nullopt;
  }
  TIcnFrame record;
  record.Left = static_cast<int16_t>(left);
  record.Top = static_cast<int16_t>(top);
  record.Width = static_cast<uint16_t>(box.Width);
  record.Height = static_cast<uint16_t>(box.Height);
  return record;
}

void CheckFrameCount(size_t frameCount) {
  if (frameCount > kIcnMaxFrames) {
    throw TZtError(ZtFormat("Too many frames: %zu", frameCount));
  }
}

TIcnArchiveWriter::TIcnArchiveWriter(TIcnGeneration generation, size_t frameCount,
                                     TArchiveSink sink)
    : Generation_(generation), FrameCount_(frameCount), Sink_(std::move(sink)) {
  CheckFrameCount(frameCount);
  const size_t table = kIcnHeaderSize + frameCount * RecordSize(generation);
  if (Sink_) {
    BufferAt_ = table;
    Buffer_.reserve(kSinkPiece);
    Records_.reserve(kSinkPiece);
    return;
  }
  // Room for the streams of small frames comes with the table: else the
  // first stream would copy the table into a buffer twice its size, and in
  // an archive of many tiny frames the table is most of the archive. Only
  // address space: pages count once written.
  Buffer_.reserve(table + frameCount * kSmallStreamRoom);
  Buffer_.assign(table, 0);
}

void TIcnArchiveWriter::HandRecords() {
  if (Records_.empty()) return;
  Sink_(RecordOffset(Generation_, First_), Records_);
  First_ += Records_.size() / RecordSize(Generation_);
  Records_.clear();
}

void TIcnArchiveWriter::BeginFrame(size_t i, TIcnFrame record) {
  if (i >= FrameCount_) throw TZtError(ZtFormat("Frame %zu beyond the frame table", i));
  const uint64_t offset = BufferAt_ + Buffer_.size() - kIcnHeaderSize;
  if (offset > UINT32_MAX) throw TZtError("Archive too large");
  record.DataOffset = static_cast<uint32_t>(offset);
  const TIcnGenerationInfo& info = GenerationInfo(Generation_);
  if (!Sink_) {
    info.WriteRecord(Buffer_.data() + RecordOffset(Generation_, i), record);
    return;
  }
  // Records are gathered while they follow one another; a record out of
  // that order starts a new run. Streams go once a piece is full.
  const size_t size = RecordSize(Generation_);
  if (i != First_ + Records_.size() / size || Records_.size() + size > kSinkPiece) {
    HandRecords();
    First_ = i;
  }
  Records_.resize(Records_.size() + size);
  info.WriteRecord(Records_.data() + Records_.size() - size, record);
  if (Buffer_.size() >= kSinkPiece) {
    Sink_(BufferAt_, Buffer_);
    BufferAt_ += Buffer_.size();
    Buffer_.clear();
  }
}

std::vector<uint8_t>& TIcnArchiveWriter::Finish() {
  const uint64_t dataSize = BufferAt_ + Buffer_.size() - kIcnHeaderSize;
  if (dataSize > UINT32_MAX) throw TZtError("Archive too large");
  uint8_t header[kIcnHeaderSize];
  PutU16(header, static_cast<uint16_t>(FrameCount_));
  PutU32(header + 2, static_cast<uint32_t>(dataSize));
  if (!Sink_) {
    std::copy(std::begin(header), std::end(header), Buffer_.begin());
    return Buffer_;
  }
  HandRecords();
  if (!Buffer_.empty()) Sink_(BufferAt_, Buffer_);
  BufferAt_ += Buffer_.size();
  Buffer_.clear();
  Sink_(0, header);
  return Buffer_;
}

}  // namespace icnkit
