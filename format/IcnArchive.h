// IcnArchive: the ICN sprite archive container shared by both generations.
//
// Layout (little-endian, no padding):
//
//   offset 0  u16 FrameCount
//   offset 2  u32 DataSize          file size - 6 (readers ignore it)
//   offset 6  FrameCount records of R bytes (H1: 12, H2: 13)
//   ...       frame pixel streams; frame i's begins at 6 + DataOffset(i)
//
//   TIcnFrameH1 (12 bytes)          TIcnFrameH2 (13 bytes)
//   0  i16 Left                     0  i16 Left
//   2  i16 Top                      2  i16 Top
//   4  u16 Width                    4  u16 Width
//   6  u16 Height                   6  u16 Height
//   8  u32 DataOffset               8  u8  Bits   (bit 5: fill-only)
//                                   9  u32 DataOffset (unaligned)
//
// A stream's length is stored nowhere: it ends with its end-of-frame code.
// Readers address the whole file in memory ("archive image"); the writer
// builds the whole archive in one growing buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "format/Rectangle.h"

namespace icnkit {

enum class TIcnGeneration { H1, H2 };

constexpr size_t kIcnHeaderSize = 6;
constexpr size_t kIcnMaxFrames = 65535;

// One frame record, generation-neutral (Bits is 0 for H1).
struct TIcnFrame {
  int16_t Left = 0;
  int16_t Top = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t Bits = 0;
  uint32_t DataOffset = 0;
};

// A frame record of the layout above: H2's has the Bits byte, H1's not.
template <bool kHasBits>
struct TIcnFrameRecord {
  static constexpr size_t kSize = kHasBits ? 13 : 12;
  static TIcnFrame Read(const uint8_t* record);
  static void Write(uint8_t* record, const TIcnFrame& frame);
};
using TIcnFrameH1 = TIcnFrameRecord<false>;
using TIcnFrameH2 = TIcnFrameRecord<true>;

constexpr size_t RecordSize(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? TIcnFrameH1::kSize : TIcnFrameH2::kSize;
}

using TArchiveImage = std::span<const uint8_t>;

// Checks everything a reader relies on, before anything is decoded, and
// raises TZtError with one of:
//   "Invalid archive: file shorter than its header"
//   "Invalid archive: frame table runs past the end of the file"
//   "Invalid archive: frame %d starts outside the file"   (counted from 0)
// A DataSize that disagrees with the length is not an error.
void ValidateArchive(TArchiveImage image, TIcnGeneration generation);

// Reading side. Callers validate first; then none of these reads outside.
uint16_t FrameCount(TArchiveImage image);
TIcnFrame FrameRecordAt(TArchiveImage image, TIcnGeneration generation, size_t i);
// The union rectangle: the smallest that holds every frame's rectangle (Left,
// Top, Width, Height), frames without pixels included. Its edges reach
// 98302 (32767 + 65535), beyond the 16-bit range; all 0 without frames.
TRectangle UnionRectangle(TArchiveImage image, TIcnGeneration generation);
// Offset of the frame's first stream byte: 6 + DataOffset.
size_t FrameDataAt(TArchiveImage image, const TIcnFrame& record);
// The lowest offset any frame's stream starts at (the file's size when
// there are no frames): no stream reads the bytes before it.
size_t FirstStreamAt(TArchiveImage image, TIcnGeneration generation);
// End (exclusive) of frame i's data region: the next frame's stream start
// when that lies strictly beyond this one's, else the end of the file.
size_t FrameDataEnd(TArchiveImage image, TIcnGeneration generation, size_t i);
// The bytes from the frame's stream start to the end of the image: what the
// decoders are given, so they can never read outside the image.
std::span<const uint8_t> FrameStream(TArchiveImage image, const TIcnFrame& record);

// The longest stream a well-formed frame of this size has: per row at most
// two bytes per pixel (one-pixel runs of alternating kinds) and the
// end-of-row code, then the end-of-frame code. Readers go no further, so a
// stream without an end, which could otherwise be read on to the end of the
// file once for every frame that points into it, costs what its frame does.
inline uint64_t MaxStreamLength(const TIcnFrame& record) {
  return uint64_t{record.Height} * (2 * uint64_t{record.Width} + 1) + 1;
}

// Writing side over a growing buffer.
// The record of the frame whose pixels are box moved by (x, y), Bits and
// DataOffset 0; none when a field would not hold it (Left or Top outside
// -32768..32767, Width or Height above 65535): a silent wrap would move
// the frame somewhere else.
std::optional<TIcnFrame> RecordOfBox(const TRectangle& box, int64_t x, int64_t y);

// Bytes reserved a frame beyond the table, for streams of a few pixels.
constexpr size_t kSmallStreamRoom = 16;

// Where a writer hands the parts of an archive it does not keep: bytes for
// the archive's offset.
using TArchiveSink = std::function<void(uint64_t offset, std::span<const uint8_t> bytes)>;

// Raises TZtError "Too many frames: %d" beyond 65535.
void CheckFrameCount(size_t frameCount);

class TIcnArchiveWriter {
 public:
  // Reserves the header and a table of frameCount records; checks the count
  // first (CheckFrameCount). With a sink, the archive is not
  // kept whole: records and streams are handed to it in pieces of about
  // kSinkPiece bytes as they are done, the header last of all.
  TIcnArchiveWriter(TIcnGeneration generation, size_t frameCount, TArchiveSink sink = nullptr);
  // Record i's DataOffset is set here to the archive's size so far - 6;
  // the caller then appends the frame's stream to Buffer(). Raises TZtError
  // "Archive too large" when that offset passes 32 bits.
  void BeginFrame(size_t i, TIcnFrame record);
  // The end of the archive: the whole of it without a sink, else the bytes
  // of the streams not handed to the sink yet.
  std::vector<uint8_t>& Buffer() { return Buffer_; }
  // Writes FrameCount and DataSize; returns the finished archive. With a
  // sink, hands it everything not handed yet and returns an empty buffer.
  std::vector<uint8_t>& Finish();

  static constexpr size_t kSinkPiece = size_t{64} << 10;

 private:
  void HandRecords();

  TIcnGeneration Generation_;
  size_t FrameCount_;
  TArchiveSink Sink_;
  std::vector<uint8_t> Buffer_;
  uint64_t BufferAt_ = 0;  // archive offset of Buffer_[0]
  // With a sink: the records of frames First_.. not handed yet.
  std::vector<uint8_t> Records_;
  size_t First_ = 0;
};

}  // namespace icnkit
