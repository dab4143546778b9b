// The frame decoders against a plain pixel-by-pixel decoder written from the
// code lists in H1Codec.h and H2Codec.h: random streams, well-formed and
// not, long enough to reach the decode loop's unchecked part, into rows with
// padding between them, top-down, bottom-up and with row step 0. Every byte
// of the memory, the padding and a border around the frame included, must
// come out the same.
#include <gtest/gtest.h>

#include <random>

#include "format/H1Codec.h"
#include "format/H2Codec.h"
#include "tests/format/FormatTestSupport.h"

using namespace icnkit;

namespace {

// H2 special-run selector m: the value it names.
uint8_t SelectorValue(uint8_t m) {
  switch (m >> 6) {
    case 0:
      return 0;
    case 1:
      return kH2SpecialValues[(m >> 2) & 15];
    case 2:
      return 5;
    default:
      return m <= 0xC3 ? 6 : 7;
  }
}

class TReferenceDecoder {
 public:
  TReferenceDecoder(const TFrameRaster& target) : Target_(target) {}

  void Decode(const TBytes& s, bool h2, bool fillOnly) {
    size_t i = 0;
    const auto has = [&](size_t n) { return s.size() - i >= n; };
    while (i < s.size()) {
      const uint8_t c = s[i++];
      if (c == 0x00) {
        if (++Y_ >= Target_.Height) return;
        X_ = 0;
      } else if (c < 0x80) {
        if (fillOnly) {
          Put(nullptr, kFillOnlyIndex, c);
          continue;
        }
        const size_t n = has(c) ? c : s.size() - i;
        Put(s.data() + i, 0, n);
        i += n;
        if (n < c) return;
      } else if (c == 0x80) {
        return;
      } else if (!h2 || c < 0xC0) {
        X_ += c - 0x80;
      } else if (c == 0xC0) {
        if (!has(1)) return;
        const uint8_t m = s[i++];
        size_t n = m & 3u;
        if (n == 0) {
          if (!has(1)) return;
          n = s[i++];
        }
        Put(nullptr, SelectorValue(m), n);
      } else if (c == 0xC1) {
        if (!has(2)) return;
        Put(nullptr, s[i + 1], s[i]);
        i += 2;
      } else {
        if (!has(1)) return;
        Put(nullptr, s[i++], c & 0x3Fu);
      }
    }
  }

 private:
  void Put(const uint8_t* from, uint8_t value, size_t n) {
    uint8_t* const row = Target_.TopLeft + Y_ * Target_.RowStep;
    for (size_t k = 0; k < n; ++k, ++X_) {
      if (X_ < Target_.Width) row[X_] = from != nullptr ? from[k] : value;
    }
  }

  TFrameRaster Target_;
  int64_t X_ = 0;
  int64_t Y_ = 0;
};

// A stream of mostly well-formed codes with the odd stray byte; the last
// code may be cut short.
TBytes RandomStream(std::mt19937& random, bool h2, size_t size) {
  TBytes s;
  const auto byte = [&] { return uint8_t(random()); };
  while (s.size() < size) {
    switch (random() % 10) {
      case 0:
        s.push_back(0x00);
        break;
      case 1:
      case 2:
        s.push_back(uint8_t(0x81 + random() % (h2 ? 0x3F : 0x7F)));
        break;
      case 3:
        s.push_back(h2 ? uint8_t(0xC2 + random() % 0x3E) : byte());
        s.push_back(byte());
        break;
      case 4:
        s.push_back(h2 ? 0xC0 : 0x00);
        s.push_back(byte());
        s.push_back(byte());
        break;
      case 5:
        s.push_back(h2 ? 0xC1 : 0xFF);
        s.push_back(byte());
        s.push_back(byte());
        break;
      case 6:
        s.push_back(random() % 20 == 0 ? 0x80 : byte());
        break;
      default: {
        const uint8_t n = uint8_t(1 + random() % (random() % 2 ? 16 : 127));
        s.push_back(n);
        for (uint8_t k = 0; k < n; ++k) s.push_back(byte());
      }
    }
  }
  s.resize(size);
  return s;
}

// Memory for a frame of width x height whose rows lie `step` apart (0: all
// on one row), with kBorder bytes before and after.
struct TFrameMemory {
  static constexpr size_t kBorder = 64;
  TBytes Bytes;
  TFrameRaster Frame;

  TFrameMemory(int32_t width, int32_t height, ptrdiff_t step) {
    const size_t rows = step == 0 ? 1 : size_t(height);
    const size_t span = size_t(rows - 1) * size_t(step < 0 ? -step : step) + size_t(width);
    Bytes.assign(span + 2 * kBorder, 0xEE);
    for (size_t i = 0; i < span; ++i) Bytes[kBorder + i] = uint8_t(0x30 + i % 7);
    const size_t first = step < 0 ? span - size_t(width) : 0;
    Frame = {Bytes.data() + kBorder + first, step, width, height};
  }
};

void ExpectSameAsReference(bool h2, const TBytes& stream, int32_t width, int32_t height,
                           ptrdiff_t step, bool fillOnly) {
  TFrameMemory decoded(width, height, step), expected(width, height, step);
  const TBytes copy(stream);  // exact size: reads past it are caught by ASan
  (h2 ? DecodeH2Frame : DecodeH1Frame)(copy, decoded.Frame, fillOnly);
  TReferenceDecoder(expected.Frame).Decode(stream, h2, fillOnly);
  ASSERT_EQ(decoded.Bytes, expected.Bytes)
      << (h2 ? "H2" : "H1") << " width " << width << " height " << height << " step " << step
      << (fillOnly ? " fill-only" : "") << " stream of " << stream.size();
}

TEST(FrameDecodeReference, RandomStreamsDecodeAsThePlainDecoderDoes) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 1500; ++round) {
    const bool h2 = round % 2 == 1;
    const bool fillOnly = round % 5 == 0;
    const int32_t width = 1 + int32_t(random() % (random() % 3 == 0 ? 300 : 40));
    const int32_t height = 1 + int32_t(random() % 12);
    const int64_t pad = random() % 3 == 0 ? 0 : int64_t(random() % 40);
    const int direction = int(random() % 5);
    const ptrdiff_t step = direction == 0 ? 0 : (direction == 1 ? -1 : 1) * (width + pad);
    const size_t size = random() % 4 == 0 ? random() % 40 : 100 + random() % 1500;
    ExpectSameAsReference(h2, RandomStream(random, h2, size), width, height, step, fillOnly);
  }
}

// Encoded sprites: well-formed streams, the codecs' own output, with the
// frame narrower or shorter than the picture so that runs are clipped.
TEST(FrameDecodeReference, EncodedSpritesAndClippedOnesDecodeAsThePlainDecoderDoes) {
  std::mt19937 random(11);
  const std::vector<uint8_t> palette = {1, 5, 6, 7, 0x04, 0x09, 0xF6, 0xFE, 0xFF, 0x40, 0x41};
  for (int round = 0; round < 120; ++round) {
    const bool h2 = round % 2 == 1;
    const bool fillOnly = round % 3 == 0;
    const int32_t width = 1 + int32_t(random() % 260), height = 1 + int32_t(random() % 9);
    const TBytes pixels = RandomSprite(random, width, height, palette);
    const TBytes stream =
        EncodeRaster(h2 ? kH2Generation : kH1Generation, pixels, width, height, fillOnly);
    const int32_t frameWidth = round % 4 == 0 ? 1 + int32_t(random() % width) : width;
    const int32_t frameHeight = round % 5 == 0 ? 1 + int32_t(random() % height) : height;
    ExpectSameAsReference(h2, stream, frameWidth, frameHeight, frameWidth + 3, fillOnly);
    ExpectSameAsReference(h2, stream, frameWidth, frameHeight, -frameWidth, fillOnly);
  }
}

}  // namespace
