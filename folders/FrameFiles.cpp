#include "folders/FrameFiles.h"

#include <map>

#include "conventions/PaletteColours.h"
#include "fs/Files.h"
#include "fs/FindFile.h"
#include "fs/Path.h"
#include "image/BmpFile.h"
#include "png/Png.h"

namespace icnkit {

TFrameOutput MakeFrameOutput(const std::string& format, bool transparent,
                             std::vector<TRgbQuad> palette) {
  TFrameOutput output;
  output.Palette = std::move(palette);
  output.Drawing = TPaletteSource::BuiltIn;
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
    std::vector<TRgbQuad> forced = Forced_ ? Forced_() : std::vector<TRgbQuad>();
    slot = forced.empty() ? PaletteColours(generation) : std::move(forced);
  }
  return *slot;
}

bool IsKitFrameName(const std::string& name) {
  return MaskMatches("*.bmp", name) || MaskMatches("*.png", name);
}

TFrameInput MakeFrameInput(TPackPalettes& palettes, TIcnGeneration generation, bool remap,
                           TWarningSink warn) {
  TFrameInput input;
  input.IsFrame = IsKitFrameName;
  input.Load = [&palettes, generation, remap, warn = std::move(warn)](
                   TFileSystem& fs, const std::string& path, TIndexedImage& image) {
    if (!MaskMatches("*.png", NameOfPath(path))) {
      image = LoadBmpFromFile(fs, path);
      return;
    }
    std::vector<uint8_t> bytes;
    LoadWholeFile(fs, path, bytes);
    TPngFrameReport frameReport;
    DecodePngFrame(bytes, palettes.For(generation), remap, path, image, frameReport);
    if (!warn) return;
    for (const std::string& warning : frameReport.Warnings) warn(warning);
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

}  // namespace icnkit
