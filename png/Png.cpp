// Placeholder until the libspng codec lands.
#include "png/Png.h"

#include "format/Error.h"

std::vector<uint8_t> EncodeIndexedPng(const TIndexedImage&, bool) {
  throw TZtError("PNG support is not built yet");
}

void DecodePngFrame(std::span<const uint8_t>, const std::vector<TRgbQuad>&, bool,
                    const std::string&, TIndexedImage&, TPngFrameReport&) {
  throw TZtError("PNG support is not built yet");
}
