#include "kit/FrameFormats.h"

#include <CLI/CLI.hpp>

#include "fs/Files.h"
#include "palette/PaletteFile.h"

void AddPaletteOptions(CLI::App& command, TPaletteOptions& options) {
  command
      .add_option("--palette", options.File,
                  "Colours from FILE (BMP, PNG, JASC-PAL, GIMP .gpl, Adobe .act or raw "
                  "768 bytes) instead of the generation's palette")
      ->type_name("FILE");
  command.add_flag("--palette-6bit", options.SixBit,
                   "Read a raw palette file's values as 6-bit (0..63)");
}

std::vector<TRgbQuad> LoadPaletteOption(TFileSystem& fs, const TPaletteOptions& options) {
  if (options.File.empty()) return {};
  return ReadPaletteFile(LoadNamedFile(fs, options.File), options.File, options.SixBit);
}
