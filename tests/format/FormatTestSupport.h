// Helpers for the format tests: byte lists, guarded rasters that prove a
// decoder writes nothing outside the frame, a generation's codec over whole
// rasters, random sprites; archives come from testdata/'s builder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <span>
#include <vector>

#include "format/FrameRaster.h"
#include "format/Generation.h"
#include "format/IcnArchive.h"
#include "testdata/ArchiveBuilder.h"

using namespace icnkit;

using namespace testdata;

inline TBytes Bytes(std::initializer_list<int> values) {
  TBytes bytes;
  for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

inline TBytes Concat(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline TBytes Repeat(uint8_t value, size_t count) {
  return TBytes(count, value);
}

// A frame of Width x Height inside a border of guard bytes. The frame's
// pixels start as `initial`; Guarded() tells whether the border is intact.
class TGuardedRaster {
 public:
  static constexpr uint8_t kGuard = 0xEE;
  static constexpr int kBorder = 8;

  TGuardedRaster(int32_t width, int32_t height, bool bottomUp = false, uint8_t initial = 0)
      : Width_(width),
        Height_(height),
        Stride_(width + 2 * kBorder),
        BottomUp_(bottomUp),
        Memory_(size_t(Stride_) * size_t(height + 2 * kBorder), kGuard) {
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) Pixel(x, y) = initial;
    }
  }

  TFrameRaster Frame() {
    TFrameRaster raster;
    raster.TopLeft = &Pixel(0, 0);
    raster.RowStep = BottomUp_ ? -Stride_ : Stride_;
    raster.Width = Width_;
    raster.Height = Height_;
    return raster;
  }

  uint8_t& Pixel(int32_t x, int32_t y) {
    const int32_t memoryRow = BottomUp_ ? Height_ - 1 - y : y;
    return Memory_[size_t(memoryRow + kBorder) * Stride_ + size_t(x + kBorder)];
  }

  // The frame's pixels, row by row from the top.
  TBytes Pixels() {
    TBytes pixels;
    for (int32_t y = 0; y < Height_; ++y) {
      for (int32_t x = 0; x < Width_; ++x) pixels.push_back(Pixel(x, y));
    }
    return pixels;
  }

  bool Guarded() const {
    for (size_t i = 0; i < Memory_.size(); ++i) {
      const ptrdiff_t row = ptrdiff_t(i) / Stride_ - kBorder;
      const ptrdiff_t column = ptrdiff_t(i) % Stride_ - kBorder;
      const bool inside = row >= 0 && row < Height_ && column >= 0 && column < Width_;
      if (!inside && Memory_[i] != kGuard) return false;
    }
    return true;
  }

 private:
  int32_t Width_, Height_;
  ptrdiff_t Stride_;
  bool BottomUp_;
  TBytes Memory_;
};

// The stream of a width x height raster (rows of width bytes).
inline TBytes EncodeRaster(const TIcnGenerationInfo& generation, const TBytes& pixels,
                           int32_t width, int32_t height, bool fillOnly) {
  TBytes out;
  generation.Encode(out, pixels.data(), width, width, height, fillOnly);
  return out;
}

// Decodes an exact-size heap copy of the stream into a guarded raster whose
// pixels start as 0, checks that nothing outside the frame was written, and
// returns the frame's pixels.
inline TBytes DecodeGuarded(const TIcnGenerationInfo& generation, const TBytes& stream,
                            int32_t width, int32_t height, bool fillOnly, bool bottomUp) {
  const TBytes copy(stream);
  TGuardedRaster raster(width, height, bottomUp);
  generation.Decode(copy, raster.Frame(), fillOnly);
  EXPECT_TRUE(raster.Guarded());
  return raster.Pixels();
}

// A raster through the generation's codec and back: as it is, and
// fill-only (every non-transparent pixel comes back as kFillOnlyIndex, and
// that picture encodes to the same fill-only stream).
inline void ExpectRoundTrip(const TIcnGenerationInfo& generation, const TBytes& source,
                            int32_t width, int32_t height, bool bottomUp) {
  const TBytes normal = EncodeRaster(generation, source, width, height, false);
  EXPECT_EQ(DecodeGuarded(generation, normal, width, height, false, bottomUp), source);

  TBytes painted = source;
  for (uint8_t& p : painted) p = p ? kFillOnlyIndex : 0;
  const TBytes fill = EncodeRaster(generation, source, width, height, true);
  const TBytes decoded = DecodeGuarded(generation, fill, width, height, true, bottomUp);
  EXPECT_EQ(decoded, painted);
  EXPECT_EQ(EncodeRaster(generation, decoded, width, height, true), fill);
}

// A random sprite-like rectangle: runs of transparent pixels, of one
// repeated index and of mixed indices, with lengths from 1 to 300; `palette`
// is what the non-transparent pixels are drawn from.
inline TBytes RandomSprite(std::mt19937& random, int32_t width, int32_t height,
                           const std::vector<uint8_t>& palette) {
  TBytes pixels(size_t(width) * size_t(height));
  std::uniform_int_distribution<int> kind(0, 2);
  std::geometric_distribution<int> shortRun(0.2);
  std::uniform_int_distribution<size_t> pick(0, palette.size() - 1);
  size_t i = 0;
  while (i < pixels.size()) {
    const int k = kind(random);
    size_t n = 1 + size_t(shortRun(random));
    if (random() % 16 == 0) n += random() % 300;
    const uint8_t repeated = k == 0 ? 0 : palette[pick(random)];
    for (size_t j = 0; j < n && i < pixels.size(); ++j, ++i) {
      pixels[i] = k == 2 ? palette[pick(random)] : repeated;
    }
  }
  return pixels;
}

// Checks a pair of run moves for every length n up to maxRun: copy(to,
// from, n) and fill(to, 0x5A, n) write exactly [0, n) at to, and the bytes
// around it keep their 0xEE.
template <typename Copy, typename Fill>
void ExpectMovesWriteExactlyTheRun(size_t maxRun, Copy copy, Fill fill) {
  constexpr size_t kPad = 70;
  TBytes source(maxRun);
  for (size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i * 11 + 3);
  for (size_t n = 0; n <= maxRun; ++n) {
    TBytes copied(n + 2 * kPad, 0xEE), filled(n + 2 * kPad, 0xEE);
    copy(copied.data() + kPad, source.data(), n);
    fill(filled.data() + kPad, uint8_t{0x5A}, n);
    for (size_t i = 0; i < copied.size(); ++i) {
      const bool inside = i >= kPad && i < kPad + n;
      ASSERT_EQ(copied[i], inside ? source[i - kPad] : 0xEE) << "n " << n << " at " << i;
      ASSERT_EQ(filled[i], inside ? 0x5A : 0xEE) << "n " << n << " at " << i;
    }
  }
}
