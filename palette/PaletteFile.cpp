// Placeholder until the palette formats land.
#include "palette/PaletteFile.h"

#include "format/Error.h"

TPaletteFormat PaletteFormatOfName(const std::string&) {
  throw TZtError("Palette files are not built yet");
}

std::vector<TRgbQuad> ReadPaletteFile(std::span<const uint8_t>, const std::string&, bool) {
  throw TZtError("Palette files are not built yet");
}

std::vector<uint8_t> WritePaletteFile(const std::vector<TRgbQuad>&, TPaletteFormat) {
  throw TZtError("Palette files are not built yet");
}
