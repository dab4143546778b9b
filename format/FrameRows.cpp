#include "format/FrameRows.h"

#include <span>

#include "format/FrameCodec.h"

namespace icnkit {
namespace {

// The decode loop's cursor over one row's memory (RowStep 0): every row is
// written over the same bytes, and the sink is told of each at its end.
class TRowCursor {
 public:
  static constexpr bool kMasked = false;

  TRowCursor(uint8_t* row, int32_t width, int32_t height, TFrameRowSink& sink)
      : Base_(TFrameRaster{row, 0, width, height}), Sink_(sink) {}

  ICN_ALWAYS_INLINE bool Empty() const { return Base_.Empty(); }
  ICN_ALWAYS_INLINE void Skip(uint32_t n) { Base_.Skip(n); }
  ICN_ALWAYS_INLINE void CopyWithSlack(const uint8_t* source, uint32_t n) {
    Base_.CopyWithSlack(source, n);
  }
  ICN_ALWAYS_INLINE void Copy(const uint8_t* source, uint32_t n) { Base_.Copy(source, n); }
  ICN_ALWAYS_INLINE void Fill(uint8_t value, uint32_t n) { Base_.Fill(value, n); }

  bool NextRow() {
    if (!Sink_.Row(Y_) || !Base_.NextRow()) {
      Done_ = true;
      return false;
    }
    ++Y_;
    return true;
  }

  // The row the stream ended in, when it ended within one.
  void Finish() {
    if (!Done_) Sink_.Row(Y_);
  }

 private:
  TBasicFrameCursor<false> Base_;
  TFrameRowSink& Sink_;
  int32_t Y_ = 0;
  bool Done_ = false;
};

template <const TIcnCodeTable& Table>
void DecodeRowsWith(std::span<const uint8_t> stream, TRowCursor& cursor, bool fillOnly) {
  if (fillOnly) {
    icn_detail::DecodeStream<Table, true>(stream, cursor);
  } else {
    icn_detail::DecodeStream<Table, false>(stream, cursor);
  }
}

}  // namespace

void DecodeFrameRows(const TIcnGenerationInfo& format, TArchiveImage archive,
                     const TIcnFrame& record, bool fillOnly, uint8_t* row, int32_t width,
                     TFrameRowSink& sink) {
  if (record.Width == 0 || record.Height == 0 || width <= 0) return;
  std::span<const uint8_t> stream = FrameStream(archive, record);
  if (stream.size() > MaxStreamLength(record)) {
    stream = stream.first(static_cast<size_t>(MaxStreamLength(record)));
  }
  TRowCursor cursor(row, width < record.Width ? width : record.Width, record.Height, sink);
  if (format.Generation == TIcnGeneration::H1) {
    DecodeRowsWith<kH1CodeTable>(stream, cursor, fillOnly);
  } else {
    DecodeRowsWith<kH2CodeTable>(stream, cursor, fillOnly);
  }
  cursor.Finish();
}

}  // namespace icnkit
