// The options of icnkit that choose the colours frames are written and read
// with (--palette, --palette-6bit); what they are turned into, the hooks of
// the engines, is folders/FrameFiles.h.
#pragma once

#include <string>
#include <vector>

#include "fs/FileSystem.h"
#include "image/BmpHeader.h"

namespace CLI {
class App;
}

struct TPaletteOptions {
  std::string File;  // empty: the generation's palette
  bool SixBit = false;
};

// Adds --palette FILE and --palette-6bit.
void AddPaletteOptions(CLI::App& command, TPaletteOptions& options);

// The colours of --palette FILE (palette/PaletteFile.h); empty without it.
std::vector<TRgbQuad> LoadPaletteOption(TFileSystem& fs, const TPaletteOptions& options);
