// icnkit_make_samples OUTPUT_FOLDER: writes the bundled sample archives
// sample_h1.icn and sample_h2.icn, made with icnkit's own encoders through
// testdata/'s archive builder.
//
// Both hold the same little animation: a ball bouncing on the ground, its
// reference point on the ground below the ball's centre (so Left and Top
// are negative), frames of different sizes (the ball squashes on landing),
// and a last frame that is the ball's shadow, fill-only (index 5). The H2
// ball has a dark outline of index 1 and a highlight of index 7, which the
// H2 code stores as special runs.
//
// To refresh the committed files after a deliberate format change:
//   build/bin/icnkit_make_samples examples/
// A test checks that the generator reproduces them byte for byte.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/GeneratorMain.h"
#include "format/H1Codec.h"
#include "format/IcnArchive.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "testdata/ArchiveBuilder.h"

using namespace icnkit;

namespace {

// A frame as the encoders see it: a top-down raster of palette indices.
struct TSampleFrame {
  int16_t Left = 0;
  int16_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t Bits = 0;  // H2 flag byte; bit 5: fill-only
  std::vector<uint8_t> Pixels;
};

// Whether pixel (x, y) lies inside the ellipse inscribed in a w x h box;
// integers only, so every platform draws the same pixels.
bool InsideEllipse(int32_t x, int32_t y, int32_t w, int32_t h) {
  const int64_t dx = 2 * x + 1 - w;
  const int64_t dy = 2 * y + 1 - h;
  return dx * dx * h * h + dy * dy * w * w <= int64_t{w} * w * h * h;
}

// A ball of w x h pixels lifted `lift` pixels above the ground.
TSampleFrame Ball(int32_t w, int32_t h, int32_t lift, uint8_t body, uint8_t outline,
                  uint8_t highlight) {
  TSampleFrame frame;
  frame.Width = w;
  frame.Height = h;
  frame.Left = static_cast<int16_t>(-(w / 2));
  frame.Top = static_cast<int16_t>(-(h + lift));
  frame.Pixels.assign(static_cast<size_t>(w) * h, 0);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (!InsideEllipse(x, y, w, h)) continue;
      const bool edge = !InsideEllipse(x - 1, y, w, h) || !InsideEllipse(x + 1, y, w, h) ||
                        !InsideEllipse(x, y - 1, w, h) || !InsideEllipse(x, y + 1, w, h);
      // The highlight: a small ellipse in the upper left quarter.
      const bool shine = InsideEllipse(x - w / 5, y - h / 5, w / 4 + 1, h / 4 + 1);
      frame.Pixels[static_cast<size_t>(y) * w + x] = edge ? outline : shine ? highlight : body;
    }
  }
  return frame;
}

// The shadow on the ground: only its shape is stored.
TSampleFrame Shadow(int32_t w, int32_t h) {
  TSampleFrame frame;
  frame.Width = w;
  frame.Height = h;
  frame.Left = static_cast<int16_t>(-(w / 2));
  frame.Top = static_cast<int16_t>(-(h / 2));
  frame.Bits = 0x20;
  frame.Pixels.assign(static_cast<size_t>(w) * h, 0);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (InsideEllipse(x, y, w, h)) frame.Pixels[static_cast<size_t>(y) * w + x] = 5;
    }
  }
  return frame;
}

// Palette indices of the unpackers' palettes (conventions/PaletteColours.h).
constexpr uint8_t kRed = 16 + 4 * 36;               // cube (204, 0, 0)
constexpr uint8_t kDarkRed = 16 + 2 * 36;           // cube (102, 0, 0)
constexpr uint8_t kPink = 16 + 5 * 36 + 4 * 6 + 4;  // cube (255, 204, 204)

std::vector<TSampleFrame> Animation(TIcnGeneration generation) {
  const bool h2 = generation == TIcnGeneration::H2;
  // H2 stores indices 1 and 7 as special runs; H1 stores every index literally.
  const uint8_t outline = h2 ? 1 : kDarkRed;
  const uint8_t highlight = h2 ? 7 : kPink;
  return {
      Ball(17, 17, 24, kRed, outline, highlight),
      Ball(17, 17, 10, kRed, outline, highlight),
      Ball(21, 13, 0, kRed, outline, highlight),
      Ball(15, 19, 6, kRed, outline, highlight),
      Shadow(15, 5),
  };
}

std::vector<uint8_t> Encode(TIcnGeneration generation, const std::vector<TSampleFrame>& frames) {
  std::vector<testdata::TTestFrame> encoded;
  for (const TSampleFrame& frame : frames) {
    const uint8_t bits = generation == TIcnGeneration::H2 ? frame.Bits : 0;
    const TIcnFrame record =
        testdata::Record(frame.Left, frame.Top, static_cast<uint16_t>(frame.Width),
                         static_cast<uint16_t>(frame.Height), bits);
    encoded.push_back(
        testdata::EncodedFrame(generation, record, frame.Pixels, (frame.Bits & 0x20) != 0));
  }
  return testdata::BuildArchive(generation, encoded);
}

// An H1 archive has no flag byte: the unpacker deduces the flag from the
// stream. Make sure the sample's frames are judged as they were meant.
void CheckH1Flags(const std::string& path, const std::vector<uint8_t>& archive,
                  const std::vector<TSampleFrame>& frames) {
  for (size_t i = 0; i < frames.size(); ++i) {
    const bool meant = (frames[i].Bits & 0x20) != 0;
    if (DeduceH1FillOnly(NameOfPath(path), archive, i) != meant) {
      throw TZtError(ZtFormat("frame %d of %s would unpack with the wrong flag",
                              static_cast<int>(i), path.c_str()));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  return RunGenerator(argc, argv, "icnkit_make_samples",
                      [](TFileSystem& fs, const std::string& folder) {
                        const std::string h1Path = folder + "sample_h1.icn";
                        const std::vector<TSampleFrame> h1Frames = Animation(TIcnGeneration::H1);
                        const std::vector<uint8_t> h1 = Encode(TIcnGeneration::H1, h1Frames);
                        CheckH1Flags(h1Path, h1, h1Frames);
                        SaveWholeFile(fs, h1Path, h1);
                        SaveWholeFile(fs, folder + "sample_h2.icn",
                                      Encode(TIcnGeneration::H2, Animation(TIcnGeneration::H2)));
                      });
}
