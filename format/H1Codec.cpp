#include "format/H1Codec.h"

#include "format/FrameCodec.h"

namespace icnkit {

void DecodeH1Frame(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly) {
  icn_detail::DecodeFrame<kH1CodeTable>(stream, target, fillOnly);
}

void EncodeH1Frame(std::vector<uint8_t>& output, const uint8_t* source, ptrdiff_t rowStep,
                   int32_t width, int32_t height, bool fillOnly) {
  icn_detail::EncodeFrame<kH1CodeTable>(output, source, rowStep, width, height, fillOnly);
}

}  // namespace icnkit
