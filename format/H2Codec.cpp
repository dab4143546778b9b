#include "format/H2Codec.h"

#include "format/FrameCodec.h"

namespace icnkit {

bool IsFillOnly(const TIcnFrame& record) {
  return (record.Bits & 0x20) != 0;
}

void DecodeH2Frame(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly) {
  icn_detail::DecodeFrame<kH2CodeTable>(stream, target, fillOnly);
}

void EncodeH2Frame(std::vector<uint8_t>& output, const uint8_t* source, ptrdiff_t rowStep,
                   int32_t width, int32_t height, bool fillOnly) {
  icn_detail::EncodeFrame<kH2CodeTable>(output, source, rowStep, width, height, fillOnly);
}

}  // namespace icnkit
