// Archives and bitmaps for the unpacker tests, built from raw streams or
// from pixels through icnkit's encoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/H1Codec.h"
#include "format/H2Codec.h"
#include "format/IcnArchive.h"
#include "image/BmpFile.h"
#include "image/IndexedImage.h"

// A namespace of its own: other test helpers have frames and builders of
// the same names, and all tests link into one binary.
namespace unpack_testing {

struct TTestFrame {
  int16_t Left = 0;
  int16_t Top = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t Bits = 0;                      // H2 only
  std::vector<uint8_t> Stream = {0x80};  // the frame's pixel stream as stored
};

// Header, table and the streams one after another, as the packers lay them.
inline std::vector<uint8_t> BuildArchive(TIcnGeneration generation,
                                         const std::vector<TTestFrame>& frames) {
  TIcnArchiveWriter writer(generation, frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    const TTestFrame& f = frames[i];
    TIcnFrame record;
    record.Left = f.Left;
    record.Top = f.Top;
    record.Width = f.Width;
    record.Height = f.Height;
    record.Bits = f.Bits;
    writer.BeginFrame(i, record);
    writer.Buffer().insert(writer.Buffer().end(), f.Stream.begin(), f.Stream.end());
  }
  return writer.Finish();
}

// The stream of a top-down width x height block of indices.
inline std::vector<uint8_t> EncodePixels(TIcnGeneration generation,
                                         const std::vector<uint8_t>& pixels, int32_t width,
                                         int32_t height, bool fillOnly = false) {
  std::vector<uint8_t> stream;
  if (generation == TIcnGeneration::H1) {
    EncodeH1Frame(stream, pixels.data(), width, width, height, fillOnly);
  } else {
    EncodeH2Frame(stream, pixels.data(), width, width, height, fillOnly);
  }
  return stream;
}

// A frame whose every pixel holds index, but for a transparent pixel at
// (1, 1) when the frame is at least 3 x 3: a hole the background must fill.
inline TTestFrame SolidFrame(TIcnGeneration generation, int16_t left, int16_t top, uint16_t width,
                             uint16_t height, uint8_t index) {
  std::vector<uint8_t> pixels(size_t{width} * height, index);
  if (width >= 3 && height >= 3) pixels[size_t{width} + 1] = 0;
  TTestFrame frame{left, top, width, height, 0, EncodePixels(generation, pixels, width, height)};
  return frame;
}

inline TIndexedImage LoadBitmap(const std::string& path) {
  TIndexedImage image;
  LoadBmpFromFile(path, &image);
  return image;
}

inline uint8_t PixelAt(const TIndexedImage& image, int32_t column, int32_t row) {
  return image.RowAddress(row)[column];
}

}  // namespace unpack_testing
