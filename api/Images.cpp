// Frames as BMP and PNG files over image/ and png/.
#include "icnkit/images.h"

#include "api/Convert.h"
#include "pack/TrimmedFrame.h"
#include "png/Png.h"

namespace icnkit {

using icnkit_api::Guarded;
using icnkit_api::ImageOf;
using icnkit_api::Internal;

std::vector<uint8_t> EncodeBmp(ConstRasterView pixels, const Palette& colours) {
  return Guarded([&] { return ImageOf(pixels, Internal(colours)).BmpBytes(); });
}

IndexedImage DecodeBmp(std::span<const uint8_t> bytes) {
  return Guarded([&] {
    TIndexedImage image;
    image.LoadBmp(bytes);
    if (!IsEmptyFrameImage(image) && !image.Is8Bit()) throw TZtError("Wrong bitmap format");
    return IndexedImage{icnkit_api::RasterOf(image), icnkit_api::Public(image.ColourTable())};
  });
}

std::vector<uint8_t> EncodePng(ConstRasterView pixels, const Palette& colours,
                               bool transparent_zero) {
  return Guarded(
      [&] { return EncodeIndexedPng(ImageOf(pixels, Internal(colours)), transparent_zero); });
}

Raster DecodePng(std::span<const uint8_t> png, const Palette& palette, const std::string& name,
                 bool remap, const WarningHandler& warning) {
  return Guarded([&] {
    TIndexedImage image;
    TPngFrameReport report;
    DecodePngFrame(png, Internal(palette), remap, name, image, report);
    if (warning) {
      for (const std::string& message : report.Warnings) warning(message);
    }
    return icnkit_api::RasterOf(image);
  });
}

}  // namespace icnkit
