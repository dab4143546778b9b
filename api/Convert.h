// The seam between the public API (include/icnkit/) and the internals: the
// public types to and from the internal ones, and Guarded, which turns
// whatever the internals raise into icnkit::Error.
#pragma once

#include <string>
#include <vector>

#include "format/IcnArchive.h"
#include "icnkit/error.h"
#include "icnkit/generation.h"
#include "icnkit/palette.h"
#include "icnkit/raster.h"
#include "image/IndexedImage.h"

namespace icnkit {

namespace icnkit_api {

// How the library's callers name a generation nothing tells
// (UndecidedGeneration's advice).
inline constexpr const char* kGenerationAdvice = "give its generation";

// The advice where the caller names its option ("-g": "use -g"), else the
// library's words (kGenerationAdvice).
std::string GenerationAdvice(const std::string& option);

TIcnGeneration Internal(icnkit::Generation generation);
icnkit::Generation Public(TIcnGeneration generation);
std::vector<TRgbQuad> Internal(const icnkit::Palette& palette);
icnkit::Palette Public(const std::vector<TRgbQuad>& colours);

// Raises "<what>: not a raster (W x H, stride S)" for pixels of a negative
// size, or with pixels but no memory or rows shorter than their width.
void CheckView(icnkit::ConstRasterView pixels, const std::string& what);
// An 8-bit image of pixels (CheckView) with colours as its table ("Bitmap
// too large", before anything is allocated).
TIndexedImage ImageOf(icnkit::ConstRasterView pixels, const std::vector<TRgbQuad>& colours);
// The pixels of an 8-bit image, top row first (none for an image without
// rows).
icnkit::Raster RasterOf(const TIndexedImage& image);

// Throws the exception being handled as an icnkit::Error: the tools'
// message, the kind of a TZtError, "Out of memory" for std::bad_alloc, a
// system error's text alone; file as Error::File(). Inside a catch block
// only.
[[noreturn]] void ThrowAsError(const std::string& file = {});

// What work returns; what it raises leaves as an icnkit::Error.
template <class TWork>
auto Guarded(TWork&& work) -> decltype(work()) {
  try {
    return work();
  } catch (...) {
    ThrowAsError();
  }
}

}  // namespace icnkit_api

}  // namespace icnkit
