#include "format/H1Codec.h"

#include <algorithm>

#include "format/FrameCursor.h"
#include "format/StreamBuffer.h"

namespace {

constexpr uint8_t kClassLiteral = 0;
constexpr uint8_t kClassTransparent = 1;
constexpr uint32_t kMaxRun = 127;

// Process-wide, filled by PrepareH1ClassTables at the start of every archive
// assembly. Both hold the same contents in H1.
uint8_t NormalClasses[256];
uint8_t FillOnlyClasses[256];

}  // namespace

void PrepareH1ClassTables() {
  std::fill(std::begin(NormalClasses), std::end(NormalClasses), kClassLiteral);
  std::fill(std::begin(FillOnlyClasses), std::end(FillOnlyClasses), kClassLiteral);
  NormalClasses[kTransparentIndex] = kClassTransparent;
  FillOnlyClasses[kTransparentIndex] = kClassTransparent;
}

void DecodeH1Frame(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly) {
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
    } else {
      cursor.Skip(code - 0x80u);
    }
  }
}

void EncodeH1Frame(std::vector<uint8_t>& output, const uint8_t* source, ptrdiff_t rowStep,
                   int32_t width, int32_t height, bool fillOnly) {
  const uint8_t* classes = fillOnly ? FillOnlyClasses : NormalClasses;
  if (height < 1) {
    output.push_back(0x80);
    return;
  }
  const int64_t w = std::max<int32_t>(width, 0);
  // Worst case per row: a literal code, its pixel and a skip code for every
  // two pixels, plus the end-of-row code.
  ReserveFor(output, uint64_t(height) * (2 * uint64_t(w) + 1) + 1);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = source + y * rowStep;
    int64_t pos = 0;
    while (pos < w) {
      const uint8_t c = classes[row[pos]];
      int64_t n = 1;
      while (n < kMaxRun && pos + n < w && classes[row[pos + n]] == c) ++n;
      if (c == kClassLiteral) {
        output.push_back(static_cast<uint8_t>(n));
        if (!fillOnly) output.insert(output.end(), row + pos, row + pos + n);
      } else if (pos + n < w) {
        // A transparent stretch reaching the end of the row needs no code:
        // the end-of-row code covers it.
        output.push_back(static_cast<uint8_t>(0x80 + n));
      }
      pos += n;
    }
    output.push_back(0x00);
  }
  output.push_back(0x80);
}
