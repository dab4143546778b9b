#include "kit/FrameFormats.h"

#include <CLI/CLI.hpp>
#include <map>

#include "conventions/WorkImage.h"
#include "fs/Files.h"
#include "fs/FindFile.h"
#include "fs/Path.h"
#include "image/BmpFile.h"
#include "kit/Archives.h"
#include "palette/PaletteFile.h"
#include "png/Png.h"

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

std::vector<TRgbQuad> GenerationPalette(TFileSystem& fs, TIcnGeneration generation) {
  return WorkImage(fs, generation).ColourTable();
}

TFrameOutput MakeFrameOutput(const std::string& format, bool transparent,
                             std::vector<TRgbQuad> palette) {
  TFrameOutput output;
  output.Palette = std::move(palette);
  if (format == "png") {
    output.Extension = ".png";
    output.Encode = [transparent](const TIndexedImage& image) {
      return EncodeIndexedPng(image, transparent);
    };
  }
  return output;
}

const std::vector<TRgbQuad>& TPackPalettes::For(TIcnGeneration generation) {
  std::lock_guard lock(Mutex_);
  std::optional<std::vector<TRgbQuad>>& slot = Palettes_[generation == TIcnGeneration::H1 ? 0 : 1];
  if (!slot) {
    slot = Options_.File.empty() ? GenerationPalette(Fs_, generation)
                                 : LoadPaletteOption(Fs_, Options_);
  }
  return *slot;
}

bool IsKitFrameName(const std::string& name) {
  return MaskMatches("*.bmp", name) || MaskMatches("*.png", name);
}

TFrameInput MakeFrameInput(TPackPalettes& palettes, TIcnGeneration generation, bool remap,
                           TKitReport& report) {
  TFrameInput input;
  input.IsFrame = IsKitFrameName;
  input.Load = [&palettes, generation, remap, &report](TFileSystem& fs, const std::string& path,
                                                       TIndexedImage& image) {
    if (!MaskMatches("*.png", NameOfPath(path))) {
      image = LoadBmpFromFile(fs, path);
      return;
    }
    std::vector<uint8_t> bytes;
    LoadWholeFile(fs, path, bytes);
    TPngFrameReport frameReport;
    DecodePngFrame(bytes, palettes.For(generation), remap, path, image, frameReport);
    for (const std::string& warning : frameReport.Warnings) report.Warning(warning);
  };
  return input;
}

size_t CheckFrameNames(TFileSystem& fs, const std::string& folder) {
  std::map<std::string, std::string> stems;  // lower-case stem -> name
  TZtFindFile find(fs, folder + "*");
  while (find.NextMatch(0, kFindFolder)) {
    const std::string& name = find.Name();
    if (!IsKitFrameName(name)) continue;
    std::string stem = name.substr(0, name.size() - 4);
    for (char& c : stem) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    const auto [it, added] = stems.emplace(stem, name);
    if (!added) {
      throw TZtError("both " + it->second + " and " + name + " are frame " +
                     name.substr(0, name.size() - 4));
    }
  }
  return stems.size();
}
