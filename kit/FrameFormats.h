// The options of icnkit that choose how frames are written and read
// (--format, --transparent, --palette, --palette-6bit, --remap), turned into
// the unpack and pack hooks (unpack/FrameOutput.h, pack/FrameInput.h). The
// PNG and palette-file code itself lives in png/ and palette/.
#pragma once

#include <array>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "format/IcnArchive.h"
#include "fs/FileSystem.h"
#include "kit/KitReport.h"
#include "pack/FrameInput.h"
#include "unpack/FrameOutput.h"

namespace CLI {
class App;
}

struct TPaletteOptions {
  std::string File;  // empty: the generation's palette bitmap
  bool SixBit = false;
};

// Adds --palette FILE and --palette-6bit.
void AddPaletteOptions(CLI::App& command, TPaletteOptions& options);

// The colours of --palette FILE (palette/PaletteFile.h); empty without it.
std::vector<TRgbQuad> LoadPaletteOption(TFileSystem& fs, const TPaletteOptions& options);

// The colours of the generation's palette bitmap (conventions/WorkImage.h).
std::vector<TRgbQuad> GenerationPalette(TFileSystem& fs, TIcnGeneration generation);

// How frames are written: "bmp" (the unpackers' files) or "png" (8-bit
// indexed; transparent adds the tRNS entry of index 0); palette replaces
// the colours the files carry when not empty.
TFrameOutput MakeFrameOutput(const std::string& format, bool transparent,
                             std::vector<TRgbQuad> palette);

// The palette PNG frames of a pack are matched against: --palette, else
// each generation's palette bitmap, each loaded once, on first need (a
// folder of BMP files needs none), from any thread.
class TPackPalettes {
 public:
  TPackPalettes(TFileSystem& fs, TPaletteOptions options) : Fs_(fs), Options_(std::move(options)) {}
  const std::vector<TRgbQuad>& For(TIcnGeneration generation);

 private:
  TFileSystem& Fs_;
  TPaletteOptions Options_;
  std::mutex Mutex_;
  std::array<std::optional<std::vector<TRgbQuad>>, 2> Palettes_;
};

// Whether a file name is a frame of icnkit's packs: ".bmp" or ".png", any
// letter case.
bool IsKitFrameName(const std::string& name);

// Frames read as .bmp or .png by their extension; PNG frames matched
// against palettes.For(generation), mapped by colour with remap, their
// warnings reported.
TFrameInput MakeFrameInput(TPackPalettes& palettes, TIcnGeneration generation, bool remap,
                           TKitReport& report);

// The number of frame files of the folder. Raises "both <a> and <b> are
// frame <stem>" when two of them differ only in their extension:
// both would be packed.
size_t CheckFrameNames(TFileSystem& fs, const std::string& folder);
