// The palettes of the API over conventions/PaletteColours.h and
// palette/PaletteFile.h.
#include "icnkit/palette.h"

#include "api/Convert.h"
#include "api/LibraryFileSystem.h"
#include "conventions/PaletteColours.h"
#include "fs/Files.h"
#include "icnkit/folders.h"
#include "palette/PaletteFile.h"

namespace icnkit {

static_assert(static_cast<int>(PaletteDepth::Detect) == static_cast<int>(TPaletteDepth::Detect) &&
              static_cast<int>(PaletteDepth::SixBit) == static_cast<int>(TPaletteDepth::SixBit) &&
              static_cast<int>(PaletteDepth::EightBit) ==
                  static_cast<int>(TPaletteDepth::EightBit));

using icnkit_api::Guarded;
using icnkit_api::Internal;
using icnkit_api::Public;

Palette GenerationPalette(Generation generation) {
  return Public(PaletteColours(Internal(generation)));
}

PaletteFormat PaletteFormatOfName(const std::string& name) {
  return Guarded([&] {
    switch (icnkit::PaletteFileFormatOfName(name)) {
      case TPaletteFormat::Bmp:
        return PaletteFormat::Bmp;
      case TPaletteFormat::Png:
        return PaletteFormat::Png;
      case TPaletteFormat::JascPal:
        return PaletteFormat::JascPal;
      case TPaletteFormat::Gpl:
        return PaletteFormat::Gpl;
      case TPaletteFormat::Act:
        return PaletteFormat::Act;
      case TPaletteFormat::Raw:
        break;
    }
    return PaletteFormat::Raw;
  });
}

Palette ReadPalette(std::span<const uint8_t> bytes, const std::string& name, PaletteDepth depth) {
  return Guarded([&] {
    return Public(icnkit::ReadPaletteFile(bytes, name, static_cast<TPaletteDepth>(depth)));
  });
}

Palette ReadPalette(std::span<const uint8_t> bytes, const std::string& name, bool six_bit) {
  return ReadPalette(bytes, name, six_bit ? PaletteDepth::SixBit : PaletteDepth::Detect);
}

bool RawPaletteReadsAsSixBit(const Palette& colours) {
  return ReadsAsSixBit(Internal(colours));
}

std::vector<uint8_t> WritePalette(const Palette& colours, PaletteFormat format) {
  static constexpr TPaletteFormat kFormats[] = {TPaletteFormat::Bmp,     TPaletteFormat::Png,
                                                TPaletteFormat::JascPal, TPaletteFormat::Gpl,
                                                TPaletteFormat::Act,     TPaletteFormat::Raw};
  return Guarded([&] {
    return icnkit::WritePaletteFile(Internal(colours), kFormats[static_cast<int>(format)]);
  });
}

Palette ReadPaletteFile(const std::string& path, PaletteDepth depth) {
  const std::vector<uint8_t> bytes = ReadFile(path);
  return ReadPalette(bytes, path, depth);
}

Palette ReadPaletteFile(const std::string& path, bool six_bit) {
  return ReadPaletteFile(path, six_bit ? PaletteDepth::SixBit : PaletteDepth::Detect);
}

void WritePaletteFile(const std::string& path, const Palette& colours) {
  const std::vector<uint8_t> bytes = WritePalette(colours, PaletteFormatOfName(path));
  Guarded([&] { SaveWholeFile(LibraryFileSystem(), path, bytes, /*durable=*/true); });
}

}  // namespace icnkit
