// The options of icnkit that choose the colours frames are written and read
// with (--palette, --palette-6bit, --palette-8bit).
#pragma once

#include <string>

#include "icnkit/palette.h"

namespace CLI {
class App;
}

namespace icnkit {

struct TPaletteOptions {
  std::string File;  // empty: the generation's palette
  bool SixBit = false;
  bool EightBit = false;
};

// Adds --palette FILE, --palette-6bit and --palette-8bit (AddPaletteDepthOptions).
void AddPaletteOptions(CLI::App& command, TPaletteOptions& options);

// Adds --palette-6bit and --palette-8bit, which exclude each other (a usage
// error together), to command.
void AddPaletteDepthOptions(CLI::App& command, TPaletteOptions& options);

// The depth a raw palette is read at, as the options say.
icnkit::PaletteDepth PaletteDepthOf(const TPaletteOptions& options);

// The colours of --palette FILE (icnkit::ReadPaletteFile); empty without it.
icnkit::Palette LoadPaletteOption(const TPaletteOptions& options);

}  // namespace icnkit
