#include "kit/FrameFormats.h"

#include <CLI/CLI.hpp>

#include "fs/Files.h"
#include "palette/PaletteFile.h"

namespace icnkit {

void AddPaletteOptions(CLI::App& command, TPaletteOptions& options) {
  command
      .add_option("--palette", options.File,
                  "Colours from FILE (BMP, PNG, JASC-PAL, GIMP .gpl, Adobe .act or raw "
                  "768 bytes) instead of the generation's palette")
      ->type_name("FILE");
  AddPaletteDepthOptions(command, options);
}

void AddPaletteDepthOptions(CLI::App& command, TPaletteOptions& options) {
  CLI::Option* six = command.add_flag("--palette-6bit", options.SixBit,
                                      "Read a raw palette file's values as 6-bit (0..63, scaled)");
  CLI::Option* eight = command.add_flag(
      "--palette-8bit", options.EightBit,
      "Read a raw palette file's values as 8-bit (as they are), even all within 0..63");
  six->excludes(eight);
  eight->excludes(six);
}

std::vector<TRgbQuad> LoadPaletteOption(TFileSystem& fs, const TPaletteOptions& options) {
  if (options.File.empty()) return {};
  // The library's depths are the public ones, in their order.
  return ReadPaletteFile(LoadNamedFile(fs, options.File), options.File,
                         static_cast<icnkit::TPaletteDepth>(PaletteDepthOf(options)));
}

icnkit::PaletteDepth PaletteDepthOf(const TPaletteOptions& options) {
  if (options.SixBit) return icnkit::PaletteDepth::SixBit;
  return options.EightBit ? icnkit::PaletteDepth::EightBit : icnkit::PaletteDepth::Detect;
}

}  // namespace icnkit
