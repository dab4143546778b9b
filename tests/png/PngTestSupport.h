// PNG inputs for the tests, written by libspng as an editor would write
// them (any colour type, depth and interlacing), and PNGs read back into
// their fields. Header-only; the tests link libspng through icn_png.
#pragma once

#include <gtest/gtest.h>
#include <spng.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "format/Error.h"
#include "image/BmpHeader.h"

using namespace icnkit;

// 256 distinct colours: blue is the index.
inline std::vector<TRgbQuad> TestPalette() {
  std::vector<TRgbQuad> palette(256);
  for (unsigned i = 0; i < 256; ++i) {
    palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3),
                  static_cast<uint8_t>(i * 7 + 1), 0};
  }
  return palette;
}

inline std::string HexOf(const TRgbQuad& c) {
  return ZtFormat("%02X%02X%02X", c.Red, c.Green, c.Blue);
}

struct TPngSpec {
  TPngSpec(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
           bool interlaced = false)
      : Width(width),
        Height(height),
        BitDepth(bitDepth),
        ColourType(colourType),
        Interlaced(interlaced) {}
  uint32_t Width = 1, Height = 1;
  uint8_t BitDepth = 8;
  uint8_t ColourType = SPNG_COLOR_TYPE_INDEXED;
  bool Interlaced = false;
  std::vector<TRgbQuad> Plte;                    // indexed only
  std::vector<uint8_t> Trns;                     // indexed: alpha of the first entries
  std::vector<std::array<uint16_t, 3>> TrnsKey;  // grey/RGB colour key (one)
};

// The PNG of spec with samples: one value per sample for depths below 8
// (packed here), else the samples' bytes in file order (big-endian).
inline std::vector<uint8_t> MakePng(const TPngSpec& spec, const std::vector<uint8_t>& samples) {
  std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(SPNG_CTX_ENCODER),
                                                          &spng_ctx_free);
  spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{spec.Width,
                 spec.Height,
                 spec.BitDepth,
                 spec.ColourType,
                 0,
                 0,
                 static_cast<uint8_t>(spec.Interlaced ? 1 : 0)};
  EXPECT_EQ(spng_set_ihdr(ctx.get(), &ihdr), 0);
  if (!spec.Plte.empty()) {
    spng_plte plte{};
    plte.n_entries = static_cast<uint32_t>(spec.Plte.size());
    for (size_t i = 0; i < spec.Plte.size(); ++i) {
      plte.entries[i] = {spec.Plte[i].Red, spec.Plte[i].Green, spec.Plte[i].Blue, 255};
    }
    EXPECT_EQ(spng_set_plte(ctx.get(), &plte), 0);
  }
  if (!spec.Trns.empty() || !spec.TrnsKey.empty()) {
    spng_trns trns{};
    trns.n_type3_entries = static_cast<uint32_t>(spec.Trns.size());
    std::copy(spec.Trns.begin(), spec.Trns.end(), trns.type3_alpha);
    if (!spec.TrnsKey.empty()) {
      trns.gray = spec.TrnsKey[0][0];
      trns.red = spec.TrnsKey[0][0];
      trns.green = spec.TrnsKey[0][1];
      trns.blue = spec.TrnsKey[0][2];
    }
    EXPECT_EQ(spng_set_trns(ctx.get(), &trns), 0);
  }
  std::vector<uint8_t> raw = samples;
  if (spec.BitDepth < 8) {
    const unsigned channels = 1;
    const size_t stride = (size_t{spec.Width} * channels * spec.BitDepth + 7) / 8;
    raw.assign(stride * spec.Height, 0);
    for (uint32_t y = 0; y < spec.Height; ++y) {
      for (uint32_t x = 0; x < spec.Width; ++x) {
        const size_t bit = size_t{x} * spec.BitDepth;
        raw[y * stride + bit / 8] |=
            static_cast<uint8_t>(samples[y * spec.Width + x] << (8 - spec.BitDepth - bit % 8));
      }
    }
  }
  EXPECT_EQ(
      spng_encode_image(ctx.get(), raw.data(), raw.size(), SPNG_FMT_RAW, SPNG_ENCODE_FINALIZE), 0);
  size_t length = 0;
  int error = 0;
  std::unique_ptr<void, decltype(&std::free)> buffer(
      spng_get_png_buffer(ctx.get(), &length, &error), &std::free);
  EXPECT_NE(buffer, nullptr) << spng_strerror(error);
  if (!buffer) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer.get());
  return std::vector<uint8_t>(bytes, bytes + length);
}

// Samples of colours for an RGB (type 2) or RGBA (type 6) PNG of 8 or 16
// bits, alpha opaque.
inline std::vector<uint8_t> ColourSamples(const std::vector<TRgbQuad>& colours, uint8_t type,
                                          uint8_t depth) {
  std::vector<uint8_t> samples;
  for (const TRgbQuad& c : colours) {
    std::vector<uint8_t> channels = {c.Red, c.Green, c.Blue};
    if (type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA) channels.push_back(255);
    for (uint8_t v : channels) {
      samples.push_back(v);
      if (depth == 16) samples.push_back(v);  // v * 257
    }
  }
  return samples;
}

struct TPngInfo {
  uint32_t Width = 0, Height = 0;
  int BitDepth = 0, ColourType = 0;
  std::vector<TRgbQuad> Plte;
  std::vector<uint8_t> Trns;    // alpha of the first palette entries
  std::vector<uint8_t> Pixels;  // 8-bit indexed files: the indices
};

inline TPngInfo InspectPng(const std::vector<uint8_t>& png) {
  TPngInfo info;
  std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(0), &spng_ctx_free);
  spng_set_png_buffer(ctx.get(), png.data(), png.size());
  spng_ihdr ihdr{};
  EXPECT_EQ(spng_get_ihdr(ctx.get(), &ihdr), 0);
  info.Width = ihdr.width;
  info.Height = ihdr.height;
  info.BitDepth = ihdr.bit_depth;
  info.ColourType = ihdr.color_type;
  spng_plte plte{};
  if (spng_get_plte(ctx.get(), &plte) == 0) {
    for (uint32_t i = 0; i < plte.n_entries; ++i) {
      info.Plte.push_back({plte.entries[i].blue, plte.entries[i].green, plte.entries[i].red, 0});
    }
  }
  spng_trns trns{};
  if (spng_get_trns(ctx.get(), &trns) == 0) {
    info.Trns.assign(trns.type3_alpha, trns.type3_alpha + trns.n_type3_entries);
  }
  size_t size = 0;
  if (ihdr.bit_depth == 8 && ihdr.color_type == SPNG_COLOR_TYPE_INDEXED &&
      spng_decoded_image_size(ctx.get(), SPNG_FMT_PNG, &size) == 0) {
    info.Pixels.resize(size);
    EXPECT_EQ(spng_decode_image(ctx.get(), info.Pixels.data(), size, SPNG_FMT_PNG, 0), 0);
  }
  return info;
}

inline uint32_t GetBe32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
inline void PutBe32(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(v >> (24 - 8 * k));
}

// Offset of the first chunk of type (its length field); the file's size
// when there is none.
inline size_t FindChunk(const std::vector<uint8_t>& png, const char* type) {
  size_t at = 8;
  while (at + 8 <= png.size()) {
    if (std::memcmp(&png[at + 4], type, 4) == 0) return at;
    at += 12 + GetBe32(&png[at]);
  }
  return png.size();
}

// The checksum of PNG chunks (CRC-32, polynomial 0xEDB88320).
inline uint32_t ChunkCrc(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
  }
  return ~crc;
}

// Gives the image header another size, its checksum made right again.
inline void SetHeaderSize(std::vector<uint8_t>& png, uint32_t width, uint32_t height) {
  const size_t ihdr = FindChunk(png, "IHDR");
  PutBe32(&png[ihdr + 8], width);
  PutBe32(&png[ihdr + 12], height);
  PutBe32(&png[ihdr + 8 + 13], ChunkCrc(&png[ihdr + 4], 4 + 13));
}
