// How icnkit's frame folders are written and read, for the icnkit tool and
// the library alike: frame files of BMP or indexed PNG (--format,
// --transparent, --palette, --remap of the tool), turned into the hooks of
// the engines (unpack/FrameOutput.h, pack/FrameInput.h), drawn with the
// colours compiled in. The PNG and palette-file code itself lives in png/
// and palette/.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "format/IcnArchive.h"
#include "fs/FileSystem.h"
#include "pack/FrameInput.h"
#include "unpack/FrameOutput.h"

namespace icnkit {

// Where what the user should know goes, a warning at a time.
using TWarningSink = std::function<void(const std::string& message)>;

// How frames are written: "bmp" (the unpackers' files) or "png" (8-bit
// indexed; transparent adds the tRNS entry of index 0); palette replaces
// the colours the files carry when not empty. Frames are drawn with the
// colours compiled in (TPaletteSource::BuiltIn), the same as the palette
// bitmaps'.
TFrameOutput MakeFrameOutput(const std::string& format, bool transparent,
                             std::vector<TRgbQuad> palette);

// The palette PNG frames of a pack are matched against: the one forced
// gives (loaded once, on first need: a folder of BMP files needs none),
// else each generation's compiled-in colours; from any thread.
class TPackPalettes {
 public:
  // forced gives the colours to use for every generation, or none.
  explicit TPackPalettes(std::function<std::vector<TRgbQuad>()> forced = {})
      : Forced_(std::move(forced)) {}
  const std::vector<TRgbQuad>& For(TIcnGeneration generation);

 private:
  std::function<std::vector<TRgbQuad>()> Forced_;
  std::mutex Mutex_;
  std::array<std::optional<std::vector<TRgbQuad>>, 2> Palettes_;
};

// Whether a file name is a frame of icnkit's packs: ".bmp" or ".png", any
// letter case.
bool IsKitFrameName(const std::string& name);

// Frames read as .bmp or .png by their extension; PNG frames matched
// against palettes.For(generation), mapped by colour with remap, their
// warnings told to warn.
TFrameInput MakeFrameInput(TPackPalettes& palettes, TIcnGeneration generation, bool remap,
                           TWarningSink warn);

// The number of frame files of the folder. Raises "both <a> and <b> are
// frame <stem>" when two of them differ only in their extension:
// both would be packed.
size_t CheckFrameNames(TFileSystem& fs, const std::string& folder);

}  // namespace icnkit
