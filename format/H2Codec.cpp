#include "format/H2Codec.h"

#include <algorithm>
#include <array>

#include "format/FrameCursor.h"
#include "format/StreamBuffer.h"

namespace {

// Pixel classes of the encoder: 0 literal, 1 transparent, 2..4 the indices
// 5, 6, 7, and 5 + e for entry e (0..13) of the special-value table.
constexpr uint8_t kClassLiteral = 0;
constexpr uint8_t kClassTransparent = 1;
constexpr int kSpecialEntriesEncoded = 14;  // 0xFE and 0xFF go in literal runs
constexpr int kClassCount = 5 + kSpecialEntriesEncoded;

// Process-wide, filled by PrepareH2ClassTables at the start of every archive
// assembly.
uint8_t NormalClasses[256];
uint8_t FillOnlyClasses[256];

// The selector the encoder writes for a special class, before the length.
constexpr std::array<uint8_t, kClassCount> SelectorBases() {
  std::array<uint8_t, kClassCount> bases{};
  bases[2] = 0x80;
  bases[3] = 0xC0;
  bases[4] = 0xC4;
  for (int e = 0; e < kSpecialEntriesEncoded; ++e)
    bases[5 + e] = static_cast<uint8_t>(0x40 + 4 * e);
  return bases;
}
constexpr std::array<uint8_t, kClassCount> kSelectorBase = SelectorBases();

// The palette index every special-run selector names (bits 7-6 of m).
constexpr std::array<uint8_t, 256> SelectorValues() {
  std::array<uint8_t, 256> values{};
  for (int m = 0; m < 256; ++m) {
    switch (m >> 6) {
      case 0:
        values[m] = 0;
        break;
      case 1:
        values[m] = kH2SpecialValues[(m >> 2) & 15];
        break;
      case 2:
        values[m] = 5;
        break;
      default:
        values[m] = m <= 0xC3 ? 6 : 7;
        break;
    }
  }
  return values;
}
constexpr std::array<uint8_t, 256> kSelectorValue = SelectorValues();

uint32_t RunLimit(uint8_t pixelClass) {
  if (pixelClass == kClassLiteral) return 127;
  if (pixelClass == kClassTransparent) return 63;
  return 255;
}

}  // namespace

bool IsFillOnly(const TIcnFrame& record) {
  return (record.Bits & 0x20) != 0;
}

void PrepareH2ClassTables() {
  std::fill(std::begin(NormalClasses), std::end(NormalClasses), kClassLiteral);
  std::fill(std::begin(FillOnlyClasses), std::end(FillOnlyClasses), kClassLiteral);
  NormalClasses[kTransparentIndex] = kClassTransparent;
  FillOnlyClasses[kTransparentIndex] = kClassTransparent;
  NormalClasses[5] = 2;
  NormalClasses[6] = 3;
  NormalClasses[7] = 4;
  for (int e = 0; e < kSpecialEntriesEncoded; ++e) {
    NormalClasses[kH2SpecialValues[e]] = static_cast<uint8_t>(5 + e);
  }
}

void DecodeH2Frame(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly) {
  TFrameCursor cursor(target);
  if (cursor.Empty()) return;
  const uint8_t* p = stream.data();
  const uint8_t* const end = p + stream.size();
  while (p < end) {
    const uint8_t code = *p++;
    if (code == 0x00) {
      if (!cursor.NextRow()) return;
    } else if (code < 0x80) {
      if (fillOnly) {
        cursor.Fill(kFillOnlyIndex, code);
      } else {
        // A run cut short by the end of the data is copied as far as it goes.
        const size_t available = static_cast<size_t>(end - p);
        if (available < code) {
          cursor.Copy(p, static_cast<uint32_t>(available));
          return;
        }
        cursor.Copy(p, code);
        p += code;
      }
    } else if (code == 0x80) {
      return;
    } else if (code < 0xC0) {
      cursor.Skip(code - 0x80u);
    } else if (code == 0xC0) {
      if (p == end) return;
      const uint8_t selector = *p++;
      uint32_t n = selector & 3u;
      if (n == 0) {
        if (p == end) return;
        n = *p++;
      }
      cursor.Fill(kSelectorValue[selector], n);
    } else if (code == 0xC1) {
      if (end - p < 2) return;
      cursor.Fill(p[1], p[0]);
      p += 2;
    } else {
      if (p == end) return;
      cursor.Fill(*p++, code & 0x3Fu);
    }
  }
}

void EncodeH2Frame(std::vector<uint8_t>& output, const uint8_t* source, ptrdiff_t rowStep,
                   int32_t width, int32_t height, bool fillOnly) {
  const uint8_t* classes = fillOnly ? FillOnlyClasses : NormalClasses;
  const int64_t w = std::max<int32_t>(width, 0);
  const int32_t h = std::max<int32_t>(height, 0);
  // Worst case per row: two bytes per pixel (one-pixel special runs, or a
  // literal run of one and a skip), plus the end-of-row code.
  ReserveFor(output, uint64_t(h) * (2 * uint64_t(w) + 1) + 1);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = source + y * rowStep;
    int64_t pos = 0;
    while (pos < w) {
      const uint8_t c = classes[row[pos]];
      const int64_t limit = RunLimit(c);
      int64_t n = 1;
      while (n < limit && pos + n < w && classes[row[pos + n]] == c) ++n;
      if (c == kClassLiteral) {
        output.push_back(static_cast<uint8_t>(n));
        if (!fillOnly) output.insert(output.end(), row + pos, row + pos + n);
      } else if (c == kClassTransparent) {
        // A transparent stretch reaching the end of the row needs no code.
        if (pos + n < w) output.push_back(static_cast<uint8_t>(0x80 + n));
      } else {
        const uint8_t base = kSelectorBase[c];
        output.push_back(0xC0);
        if (n < 4) {
          output.push_back(static_cast<uint8_t>(base + n));
        } else {
          output.push_back(base);
          output.push_back(static_cast<uint8_t>(n));
        }
      }
      pos += n;
    }
    output.push_back(0x00);
  }
  output.push_back(0x80);
}
