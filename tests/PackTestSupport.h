// Helpers for the packer tests: BMP files written byte by byte (so the
// packer is tested against files it did not make), access to the pixels of
// the bitmaps the unpackers write, archive records and streams, and random
// archives whose frames each touch their own four edges.
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

namespace packtest {

using TBytes = std::vector<uint8_t>;

inline void PutU16(TBytes& bytes, size_t at, uint32_t value) {
  bytes[at] = uint8_t(value);
  bytes[at + 1] = uint8_t(value >> 8);
}

inline void PutU32(TBytes& bytes, size_t at, uint32_t value) {
  for (int k = 0; k < 4; ++k) bytes[at + size_t(k)] = uint8_t(value >> (8 * k));
}

inline uint32_t GetU32(const TBytes& bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

// A BMP file: 14-byte file header, 40-byte info header, `colours` grey
// entries, then the rows bottom-up, each padded to 4 bytes.
inline TBytes BmpFile(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t colours,
                      const TBytes& rows) {
  const uint32_t offset = 54 + 4 * colours;
  TBytes bytes(offset, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutU32(bytes, 2, uint32_t(offset + rows.size()));
  PutU32(bytes, 10, offset);
  PutU32(bytes, 14, 40);
  PutU32(bytes, 18, uint32_t(width));
  PutU32(bytes, 22, uint32_t(height));
  PutU16(bytes, 26, 1);
  PutU16(bytes, 28, bitsPerPixel);
  PutU32(bytes, 34, uint32_t(rows.size()));
  PutU32(bytes, 46, colours);
  for (uint32_t i = 0; i < colours; ++i) {
    for (int k = 0; k < 3; ++k) bytes[54 + 4 * i + uint32_t(k)] = uint8_t(i);
  }
  bytes.insert(bytes.end(), rows.begin(), rows.end());
  return bytes;
}

// An 8-bit bitmap of the given pixels, listed row by row from the top.
inline TBytes Bmp8(int32_t width, int32_t height, const TBytes& pixels, uint32_t colours = 256) {
  const size_t stride = (size_t(width) + 3) & ~size_t(3);
  TBytes rows(stride * size_t(height), 0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      rows[size_t(height - 1 - y) * stride + size_t(x)] =
          pixels[size_t(y) * size_t(width) + size_t(x)];
    }
  }
  return BmpFile(width, height, 8, colours, rows);
}

// A 24-bit bitmap, every pixel white.
inline TBytes Bmp24(int32_t width, int32_t height) {
  const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
  return BmpFile(width, height, 24, 0, TBytes(stride * size_t(height), 0xFF));
}

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
  TIcnArchiveWriter writer(generation, frameCount);
  for (size_t i = 0; i < frameCount; ++i) {
    TIcnFrame record;
    const bool wide = random() % 8 == 0;
    record.Width = uint16_t(1 + random() % (wide ? 300 : 24));
    record.Height = uint16_t(1 + random() % 16);
    record.Left = int16_t(int(random() % 81) - 40);
    record.Top = int16_t(int(random() % 81) - 40);
    record.Bits = generation == TIcnGeneration::H2 ? uint8_t(random()) : 0;
    const TBytes pixels = RandomFramePixels(random, record.Width, record.Height);
    const bool flag = fillOnly(i, record.Bits);
    writer.BeginFrame(i, record);
    if (generation == TIcnGeneration::H1) {
      EncodeH1Frame(writer.Buffer(), pixels.data(), record.Width, record.Width, record.Height,
                    flag);
    } else {
      EncodeH2Frame(writer.Buffer(), pixels.data(), record.Width, record.Width, record.Height,
                    flag);
    }
  }
  return writer.Finish();
}

}  // namespace packtest
