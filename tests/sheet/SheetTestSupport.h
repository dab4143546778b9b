// Archives and palettes for the sheet, GIF and gallery tests: random
// archives of both generations with every kind of frame the viewers must
// show as what it is (normal, fill-only, empty 0 x 0, empty 5 x 0, frames
// with transparent borders), and a palette whose colours all differ.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "image/BmpHeader.h"
#include "sheet/SheetFrames.h"
#include "tests/pack/PackTestSupport.h"

using namespace icnkit;

namespace sheettest {

using namespace testdata;

// 256 different colours, entry i not equal to any other.
inline std::vector<TRgbQuad> TestPalette() {
  std::vector<TRgbQuad> palette(256);
  for (int i = 0; i < 256; ++i) {
    palette[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t((i * 7) & 0xFF), 0};
  }
  return palette;
}

// A random archive as the encoders write it: frames of random size and
// place; one in six fill-only (H2: bit 5 of Bits; H1: every frame when the
// archive is called font.icn, so H1 archives are fill-only throughout or
// not at all), now and then an empty one (0 x 0 or w x 0) or one whose
// pixels keep off its edges.
inline TBytes MixedArchive(std::mt19937& random, TIcnGeneration generation, size_t frameCount,
                           bool h1FillOnly = false) {
  std::vector<TTestFrame> frames;
  for (size_t i = 0; i < frameCount; ++i) {
    TIcnFrame record;
    const int kind = int(random() % 8);
    record.Left = int16_t(int(random() % 81) - 40);
    record.Top = int16_t(int(random() % 81) - 40);
    if (kind == 0) {
      frames.push_back(EncodedFrame(generation, record, {}));  // 0 x 0
      continue;
    }
    if (kind == 1) {
      record.Width = uint16_t(1 + random() % 9);  // w x 0
      frames.push_back(EncodedFrame(generation, record, {}));
      continue;
    }
    record.Width = uint16_t(1 + random() % 30);
    record.Height = uint16_t(1 + random() % 20);
    bool fillOnly = false;
    if (generation == TIcnGeneration::H2) {
      record.Bits = uint8_t(random());
      record.Bits =
          kind == 2 ? uint8_t(record.Bits | kFillOnlyBit) : uint8_t(record.Bits & ~kFillOnlyBit);
      fillOnly = kind == 2;
    } else {
      fillOnly = h1FillOnly;
    }
    TBytes pixels = packtest::RandomFramePixels(random, record.Width, record.Height);
    if (kind == 3) {  // a transparent border the record keeps
      for (int32_t y = 0; y < record.Height; ++y) {
        for (int32_t x = 0; x < record.Width; ++x) {
          if (x == 0 || y == 0 || x + 1 == record.Width || y + 1 == record.Height) {
            pixels[size_t(y) * record.Width + size_t(x)] = 0;
          }
        }
      }
    }
    frames.push_back(EncodedFrame(generation, record, pixels, fillOnly));
  }
  return BuildArchive(generation, frames);
}

// Frame i decoded onto index 0, top-down rows of its record's width.
inline TBytes FramePixels(const TArchiveFrames& frames, size_t i) {
  const TIcnFrame& record = frames.Frames[i].Record;
  TBytes pixels(size_t(record.Width) * record.Height, 0);
  DecodeFrameInto(frames, i,
                  TopDownRaster(pixels.data(), record.Width, 0, 0, record.Width, record.Height));
  return pixels;
}

}  // namespace sheettest
