// icnkit_gimp_archives FOLDER COUNT: writes COUNT archives of each
// generation into FOLDER (h1_0000.icn, h1_0001.obj, ..., h2_0000.icn, ...),
// built with BuildArchive from pseudo-random frames: sizes, places, pixels
// with index 0 between them, frames without pixels, fill-only frames and
// bits. H1 archives take every H1 name but ".std" (whose frame 0 the name
// makes fill-only), and frames without pixels lie where the packers put
// them, so each archive is what the packers make of its frame folder.
// icnkit_gimp_archives --bench PATH: one H2 archive of 2,000 frames of
// 256 x 256 pixels, for bench/gimp_bench.sh.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "icnkit/archive.h"
#include "icnkit/error.h"
#include "icnkit/folders.h"

using namespace icnkit;

namespace {

// A small generator of its own, so that every platform makes the same files.
struct TRandom {
  uint64_t State;
  uint32_t Next(uint32_t bound) {
    State = State * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(State >> 33) % bound;
  }
  int32_t Between(int32_t low, int32_t high) {
    return low + static_cast<int32_t>(Next(static_cast<uint32_t>(high - low + 1)));
  }
};

struct TFrame {
  icnkit::Raster Pixels;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Bits = 0;
};

TFrame RandomFrame(TRandom& random, icnkit::Generation generation) {
  TFrame frame;
  frame.Pixels = icnkit::Raster(random.Between(1, 14), random.Between(1, 14));
  frame.Left = random.Between(-30, 20);
  frame.Top = random.Between(-30, 20);
  const uint32_t kind = random.Next(10);
  const bool fillOnly = kind == 0;
  if (fillOnly) frame.Bits = 32;
  if (generation == icnkit::Generation::H2 && kind >= 7) {
    frame.Bits = static_cast<int32_t>(1u << random.Next(5));  // 1 .. 16
  }
  if (kind == 1) return frame;  // no opaque pixel: a frame without pixels
  for (uint8_t& pixel : frame.Pixels.pixels) {
    if (random.Next(3) == 0) continue;
    pixel = fillOnly ? 5 : static_cast<uint8_t>(random.Between(1, 255));
  }
  return frame;
}

std::vector<uint8_t> Build(icnkit::Generation generation, const std::vector<TFrame>& frames) {
  std::vector<icnkit::NewFrame> built;
  for (const TFrame& frame : frames) {
    built.push_back({frame.Pixels.View(), frame.Left, frame.Top, frame.Bits});
  }
  return icnkit::BuildArchive(generation, built);
}

// Writes the archive of frames, those without pixels where the packers put
// them: at the top-left corner of the other frames' rectangle (a frame
// folder's origin), else at (0, 0).
void Write(const std::string& path, icnkit::Generation generation, std::vector<TFrame> frames) {
  const icnkit::Archive first = icnkit::Archive::Open(Build(generation, frames), generation);
  std::optional<std::pair<int32_t, int32_t>> corner;
  for (size_t i = 0; i < first.FrameCount(); ++i) {
    const icnkit::FrameRecord record = first.Frame(i);
    if (record.width == 0) continue;
    corner = corner ? std::pair{std::min(corner->first, record.left),
                                std::min(corner->second, record.top)}
                    : std::pair{record.left, record.top};
  }
  for (size_t i = 0; i < frames.size(); ++i) {
    if (first.Frame(i).width != 0) continue;
    frames[i].Left = corner ? corner->first : 0;
    frames[i].Top = corner ? corner->second : 0;
  }
  icnkit::SaveFile(path, Build(generation, frames));
}

int Run(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--bench") {
    TRandom random{2000};
    std::vector<TFrame> frames(2000);
    for (TFrame& frame : frames) {
      frame.Pixels = icnkit::Raster(256, 256);
      frame.Left = -128;
      frame.Top = -256;
      for (uint8_t& pixel : frame.Pixels.pixels) {
        pixel = static_cast<uint8_t>(random.Next(4) == 0 ? 0 : random.Between(1, 255));
      }
    }
    Write(argv[2], icnkit::Generation::H2, frames);
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: icnkit_gimp_archives FOLDER COUNT | --bench PATH\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const int count = std::stoi(argv[2]);
  static const char* const kH1Names[] = {".icn", ".obj", ".atk", ".wlk", ".wip", ".xtl"};
  TRandom random{1};
  for (icnkit::Generation generation : {icnkit::Generation::H1, icnkit::Generation::H2}) {
    const bool h1 = generation == icnkit::Generation::H1;
    for (int i = 0; i < count; ++i) {
      std::vector<TFrame> frames(static_cast<size_t>(random.Between(1, 6)));
      for (TFrame& frame : frames) frame = RandomFrame(random, generation);
      char name[32];
      std::snprintf(name, sizeof name, "%s_%04d%s", h1 ? "h1" : "h2", i,
                    h1 ? kH1Names[i % 6] : ".icn");
      Write(folder + name, generation, frames);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const icnkit::Error& error) {
    std::fprintf(stderr, "icnkit_gimp_archives: %s\n", error.what());
    return 1;
  }
}
