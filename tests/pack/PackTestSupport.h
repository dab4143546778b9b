// Helpers for the packer tests: access to the pixels of the bitmaps the
// unpackers write, archive records and streams, and random archives whose
// frames each touch their own four edges. Bitmaps and archives are built by
// testdata/.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "format/H1Codec.h"
#include "format/H2Codec.h"
#include "format/IcnArchive.h"
#include "testdata/ArchiveBuilder.h"
#include "testdata/BmpBuilder.h"

using namespace icnkit;

namespace packtest {

using namespace testdata;

// A pixel of an uncompressed bottom-up 8-bit BMP file in memory.
inline uint8_t& BmpPixel(TBytes& bmp, int32_t x, int32_t y) {
  const uint32_t offset = GetU32(bmp, 10);
  const int32_t height = int32_t(GetU32(bmp, 22));
  const size_t stride = (size_t(GetU32(bmp, 18)) + 3) & ~size_t(3);
  return bmp[offset + size_t(height - 1 - y) * stride + size_t(x)];
}

inline void MakeFolder(const std::string& path) {
  ::mkdir(path.c_str(), 0755);
}

// Record i of an archive.
inline TIcnFrame RecordOf(const TBytes& archive, TIcnGeneration generation, size_t i) {
  return FrameRecordAt(archive, generation, i);
}

// The bytes of frame i's stream, as this system lays streams: up to the next
// frame's stream, or to the end of the file for the last one.
inline TBytes StreamOf(const TBytes& archive, TIcnGeneration generation, size_t i) {
  const size_t begin = FrameDataAt(archive, RecordOf(archive, generation, i));
  const size_t end = i + 1 < FrameCount(archive)
                         ? FrameDataAt(archive, RecordOf(archive, generation, i + 1))
                         : archive.size();
  return TBytes(archive.begin() + ptrdiff_t(begin), archive.begin() + ptrdiff_t(end));
}

// The pixels of a frame decoded onto index 0, row by row from the top.
inline TBytes DecodedPixels(const TBytes& archive, TIcnGeneration generation, size_t i,
                            bool fillOnly) {
  const TIcnFrame record = RecordOf(archive, generation, i);
  TBytes pixels(size_t(record.Width) * record.Height, 0);
  TFrameRaster raster{pixels.data(), record.Width, record.Width, record.Height};
  const std::span<const uint8_t> stream = FrameStream(archive, record);
  if (generation == TIcnGeneration::H1) {
    DecodeH1Frame(stream, raster, fillOnly);
  } else {
    DecodeH2Frame(stream, raster, fillOnly);
  }
  return pixels;
}

// A random sprite frame: runs of transparent pixels, runs of one index and
// runs of mixed indices, long ones now and then (to cross the run limits
// of both codes), drawn from indices that exercise every H2 special class;
// then one opaque pixel on each of its four edges, so trimming keeps it.
inline TBytes RandomFramePixels(std::mt19937& random, int32_t width, int32_t height) {
  static const uint8_t kIndices[] = {1,    2,    3,    4,    5,    6,    7,    8,
                                     9,    10,   11,   0x20, 0x7F, 0x80, 0xF6, 0xF7,
                                     0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
  auto index = [&] { return kIndices[random() % std::size(kIndices)]; };
  TBytes pixels(size_t(width) * size_t(height), 0);
  size_t i = 0;
  while (i < pixels.size()) {
    const int kind = int(random() % 3);
    size_t n = 1 + random() % 6;
    if (random() % 10 == 0) n += random() % 300;
    const uint8_t repeated = kind == 0 ? 0 : index();
    for (size_t j = 0; j < n && i < pixels.size(); ++j, ++i) {
      pixels[i] = kind == 2 ? index() : repeated;
    }
  }
  auto at = [&](int32_t x, int32_t y) -> uint8_t& {
    return pixels[size_t(y) * size_t(width) + size_t(x)];
  };
  at(int32_t(random() % uint32_t(width)), 0) = index();
  at(int32_t(random() % uint32_t(width)), height - 1) = index();
  at(0, int32_t(random() % uint32_t(height))) = index();
  at(width - 1, int32_t(random() % uint32_t(height))) = index();
  return pixels;
}

// fillOnly(i, bits) says whether frame i is to be encoded fill-only.
template <typename TFillOnly>
TBytes RandomArchive(std::mt19937& random, TIcnGeneration generation, size_t frameCount,
                     TFillOnly fillOnly) {
  std::vector<TTestFrame> frames;
  for (size_t i = 0; i < frameCount; ++i) {
    TIcnFrame record;
    const bool wide = random() % 8 == 0;
    record.Width = uint16_t(1 + random() % (wide ? 300 : 24));
    record.Height = uint16_t(1 + random() % 16);
    record.Left = int16_t(int(random() % 81) - 40);
    record.Top = int16_t(int(random() % 81) - 40);
    record.Bits = generation == TIcnGeneration::H2 ? uint8_t(random()) : 0;
    const TBytes pixels = RandomFramePixels(random, record.Width, record.Height);
    frames.push_back(EncodedFrame(generation, record, pixels, fillOnly(i, record.Bits)));
  }
  return BuildArchive(generation, frames);
}

}  // namespace packtest
