#include "kit/FrameFormats.h"

#include <CLI/CLI.hpp>

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

icnkit::Palette LoadPaletteOption(const TPaletteOptions& options) {
  if (options.File.empty()) return {};
  return ReadPaletteFile(options.File, PaletteDepthOf(options));
}

icnkit::PaletteDepth PaletteDepthOf(const TPaletteOptions& options) {
  if (options.SixBit) return icnkit::PaletteDepth::SixBit;
  return options.EightBit ? icnkit::PaletteDepth::EightBit : icnkit::PaletteDepth::Detect;
}

}  // namespace icnkit
