#include "format/Generation.h"

#include "format/H1Codec.h"
#include "format/H2Codec.h"

namespace icnkit {

namespace {

bool H1FillOnly(const std::string& archiveName, TArchiveImage image, size_t index,
                const TIcnFrame&) {
  return DeduceH1FillOnly(archiveName, image, index);
}

int32_t H1BitsValue(bool fillOnly, const TIcnFrame&) {
  return fillOnly ? kFillOnlyBit : 0;
}

bool H2FillOnly(const std::string&, TArchiveImage, size_t, const TIcnFrame& record) {
  return IsFillOnly(record);
}

int32_t H2BitsValue(bool, const TIcnFrame& record) {
  return record.Bits;
}

}  // namespace

const TIcnGenerationInfo kH1Generation = {
    .Generation = TIcnGeneration::H1,
    .RecordSize = TIcnFrameH1::kSize,
    .ReadRecord = TIcnFrameH1::Read,
    .WriteRecord = TIcnFrameH1::Write,
    .Decode = DecodeH1Frame,
    .Encode = EncodeH1Frame,
    .FillOnly = H1FillOnly,
    .StoresBits = false,
    .BitsValue = H1BitsValue,
    .Codes = kH1CodeTable,
};

const TIcnGenerationInfo kH2Generation = {
    .Generation = TIcnGeneration::H2,
    .RecordSize = TIcnFrameH2::kSize,
    .ReadRecord = TIcnFrameH2::Read,
    .WriteRecord = TIcnFrameH2::Write,
    .Decode = DecodeH2Frame,
    .Encode = EncodeH2Frame,
    .FillOnly = H2FillOnly,
    .StoresBits = true,
    .BitsValue = H2BitsValue,
    .Codes = kH2CodeTable,
};

const TIcnGenerationInfo& GenerationInfo(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? kH1Generation : kH2Generation;
}

const char* GenerationName(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? "H1" : "H2";
}

std::optional<TIcnGeneration> ParseGenerationName(const std::string& text) {
  if (text == "h1" || text == "H1") return TIcnGeneration::H1;
  if (text == "h2" || text == "H2") return TIcnGeneration::H2;
  return std::nullopt;
}

void DecodeFrame(const TIcnGenerationInfo& format, TArchiveImage archive, const TIcnFrame& record,
                 bool fillOnly, const TFrameRaster& target) {
  if (record.Width == 0 || record.Height == 0) return;
  std::span<const uint8_t> stream = FrameStream(archive, record);
  if (stream.size() > MaxStreamLength(record)) {
    stream = stream.first(static_cast<size_t>(MaxStreamLength(record)));
  }
  format.Decode(stream, target, fillOnly);
}

}  // namespace icnkit
