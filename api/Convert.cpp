#include "api/Convert.h"

#include <cstring>
#include <new>

#include "fs/FileSystem.h"
#include "settings/SettingsFile.h"

namespace icnkit {

namespace icnkit_api {

TIcnGeneration Internal(icnkit::Generation generation) {
  return generation == icnkit::Generation::H1 ? TIcnGeneration::H1 : TIcnGeneration::H2;
}

icnkit::Generation Public(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? icnkit::Generation::H1 : icnkit::Generation::H2;
}

std::vector<TRgbQuad> Internal(const icnkit::Palette& palette) {
  std::vector<TRgbQuad> colours;
  colours.reserve(palette.size());
  for (const icnkit::Colour& colour : palette) {
    colours.push_back(TRgbQuad{colour.blue, colour.green, colour.red, 0});
  }
  return colours;
}

icnkit::Palette Public(const std::vector<TRgbQuad>& colours) {
  icnkit::Palette palette;
  palette.reserve(colours.size());
  for (const TRgbQuad& quad : colours) palette.push_back({quad.Red, quad.Green, quad.Blue});
  return palette;
}

void CheckView(icnkit::ConstRasterView pixels, const std::string& what) {
  const bool hasPixels = pixels.width > 0 && pixels.height > 0;
  if (pixels.width < 0 || pixels.height < 0 ||
      (hasPixels && (pixels.data == nullptr || pixels.stride < pixels.width))) {
    throw TZtError(ZtFormat("%s: not a raster (%d x %d, stride %lld)", what.c_str(), pixels.width,
                            pixels.height, static_cast<long long>(pixels.stride)));
  }
}

TIndexedImage ImageOf(icnkit::ConstRasterView pixels, const std::vector<TRgbQuad>& colours) {
  CheckView(pixels, "pixels");
  TIndexedImage image;
  image.Create8Bit(pixels.width, pixels.height, colours);
  for (int32_t y = 0; y < pixels.height && pixels.width > 0; ++y) {
    std::memcpy(image.RowAddress(y), pixels.data + y * pixels.stride, size_t(pixels.width));
  }
  return image;
}

icnkit::Raster RasterOf(const TIndexedImage& image) {
  if (!image.HasPixels()) return {};
  icnkit::Raster raster(image.Width(), image.Height());
  for (int32_t y = 0; y < image.Height(); ++y) {
    std::memcpy(raster.pixels.data() + size_t(y) * size_t(image.Width()), image.RowAddress(y),
                size_t(image.Width()));
  }
  return raster;
}

std::string GenerationAdvice(const std::string& option) {
  if (option.empty()) return kGenerationAdvice;
  std::string advice = "use ";
  advice += option;
  return advice;
}

void ThrowAsError(const std::string& file) {
  using icnkit::Error;
  using icnkit::ErrorKind;
  try {
    throw;
  } catch (const Error&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw Error(ErrorKind::OutOfMemory, "Out of memory", file);
  } catch (const TZtError& error) {
    const ErrorKind kind = error.Kind == TZtErrorKind::Missing  ? ErrorKind::NotFound
                           : error.Kind == TZtErrorKind::System ? ErrorKind::Io
                                                                : ErrorKind::InvalidInput;
    const auto* system = dynamic_cast<const TSystemError*>(&error);
    throw Error(
        kind, system != nullptr && !system->Text.empty() ? system->Text : MessageWithReason(error),
        file, system != nullptr ? static_cast<int>(system->Code) : 0);
  } catch (const std::exception& error) {
    throw Error(ErrorKind::InvalidInput, error.what(), file);
  }
}

}  // namespace icnkit_api

}  // namespace icnkit
