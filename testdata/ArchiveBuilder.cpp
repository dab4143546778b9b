#include "testdata/ArchiveBuilder.h"

#include "format/Generation.h"

namespace icnkit {

namespace testdata {

TIcnFrame Record(int16_t left, int16_t top, uint16_t width, uint16_t height, uint8_t bits) {
  TIcnFrame record;
  record.Left = left;
  record.Top = top;
  record.Width = width;
  record.Height = height;
  record.Bits = bits;
  return record;
}

TBytes EncodeFrame(TIcnGeneration generation, const TBytes& pixels, int32_t width, int32_t height,
                   bool fillOnly) {
  TBytes stream;
  GenerationInfo(generation).Encode(stream, pixels.data(), width, width, height, fillOnly);
  return stream;
}

TTestFrame EncodedFrame(TIcnGeneration generation, const TIcnFrame& record, const TBytes& pixels,
                        bool fillOnly) {
  return {record, EncodeFrame(generation, pixels, record.Width, record.Height, fillOnly)};
}

TTestFrame SolidFrame(TIcnGeneration generation, int16_t left, int16_t top, uint16_t width,
                      uint16_t height, uint8_t index) {
  TBytes pixels(size_t{width} * height, index);
  if (width >= 3 && height >= 3) pixels[size_t{width} + 1] = 0;
  return EncodedFrame(generation, Record(left, top, width, height), pixels);
}

TBytes BuildArchive(TIcnGeneration generation, const std::vector<TTestFrame>& frames) {
  TIcnArchiveWriter writer(generation, frames.size());
  std::vector<uint32_t> offsets;
  for (size_t i = 0; i < frames.size(); ++i) {
    const TTestFrame& frame = frames[i];
    if (frame.Shared >= 0) {
      TIcnFrame record = frame.Record;
      record.DataOffset = offsets[size_t(frame.Shared)];
      uint8_t* at = writer.Buffer().data() + kIcnHeaderSize + i * RecordSize(generation);
      GenerationInfo(generation).WriteRecord(at, record);
      offsets.push_back(record.DataOffset);
      continue;
    }
    offsets.push_back(uint32_t(writer.Buffer().size() - kIcnHeaderSize));
    writer.BeginFrame(i, frame.Record);
    writer.Buffer().insert(writer.Buffer().end(), frame.Stream.begin(), frame.Stream.end());
  }
  return writer.Finish();
}

}  // namespace testdata

}  // namespace icnkit
