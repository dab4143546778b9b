// The code tables of the two frame stream formats, as constant data.
//
// Both generations share one stream shape: a code byte, then what the code
// says follows. Decoding reads each code byte once through a 256-entry table
// (what it is and the run length it carries); encoding sorts every pixel into
// a class (literal, transparent, or one of H2's special values) through a
// 256-entry table and writes each class's code. The tables are built at
// compile time: nothing has to be prepared before a codec runs.
#pragma once

#include <array>
#include <cstdint>

#include "format/FrameRaster.h"

namespace icnkit {

enum class TCodeKind : uint8_t {
  EndRow,   // column 0 of the next row
  Literal,  // Length indices follow (fill-only frames: none, index 5)
  EndFrame,
  Skip,       // Length pixels left unwritten
  Special,    // H2 0xC0 m [n]: the value named by selector m
  LongFill,   // H2 0xC1 n v
  ShortFill,  // H2 0xC2..0xFF v: Length pixels of index v
};

struct TCode {
  TCodeKind Kind = TCodeKind::EndRow;
  uint8_t Length = 0;
};

// Pixel classes of the encoder: 0 literal, 1 transparent, 2.. special values.
constexpr uint8_t kClassLiteral = 0;
constexpr uint8_t kClassTransparent = 1;
constexpr int kMaxPixelClasses = 19;

using TPixelClasses = std::array<uint8_t, 256>;

struct TIcnCodeTable {
  std::array<TCode, 256> Codes{};
  // The palette index each special-run selector m names (H2).
  std::array<uint8_t, 256> SelectorValue{};
  // Pixel classes of normal and of fill-only frames.
  TPixelClasses NormalClasses{};
  TPixelClasses FillOnlyClasses{};
  // Longest run of each class, and the selector a special class writes
  // before its length.
  std::array<uint8_t, kMaxPixelClasses> RunLimit{};
  std::array<uint8_t, kMaxPixelClasses> SelectorBase{};
};

// The 16 palette indices an H2 special-run selector 0x40..0x7F can name.
inline constexpr uint8_t kH2SpecialValues[16] = {0x04, 0x03, 0x02, 0x01, 0x08, 0x09, 0xF6, 0xF7,
                                                 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};

namespace icn_detail {

// What H1 and H2 share: 0x00 end of row, 0x01..0x7F literal, 0x80 end of
// frame, skips from 0x81 on; index 0 transparent, everything else literal.
constexpr TIcnCodeTable CommonCodeTable(int lastSkip) {
  TIcnCodeTable table;
  table.Codes[0x00] = {TCodeKind::EndRow, 0};
  for (int c = 0x01; c < 0x80; ++c) table.Codes[c] = {TCodeKind::Literal, uint8_t(c)};
  table.Codes[0x80] = {TCodeKind::EndFrame, 0};
  for (int c = 0x81; c <= lastSkip; ++c) table.Codes[c] = {TCodeKind::Skip, uint8_t(c - 0x80)};
  table.NormalClasses[kTransparentIndex] = kClassTransparent;
  table.FillOnlyClasses[kTransparentIndex] = kClassTransparent;
  table.RunLimit[kClassLiteral] = 127;
  table.RunLimit[kClassTransparent] = uint8_t(lastSkip - 0x80);
  return table;
}

constexpr TIcnCodeTable H1CodeTable() {
  return CommonCodeTable(0xFF);
}

// H2: 0xC0 special runs, 0xC1 long and 0xC2..0xFF short fill runs. Classes
// 2..4 are the indices 5, 6, 7; 5 + e is entry e (0..13) of the special
// values (0xFE and 0xFF go in literal runs). Fill-only frames know no
// special classes.
constexpr TIcnCodeTable H2CodeTable() {
  constexpr int kSpecialEntriesEncoded = 14;
  TIcnCodeTable table = CommonCodeTable(0xBF);
  table.Codes[0xC0] = {TCodeKind::Special, 0};
  table.Codes[0xC1] = {TCodeKind::LongFill, 0};
  for (int c = 0xC2; c <= 0xFF; ++c) table.Codes[c] = {TCodeKind::ShortFill, uint8_t(c & 0x3F)};
  for (int m = 0; m < 256; ++m) {
    const int group = m >> 6;
    table.SelectorValue[m] = group == 0   ? 0
                             : group == 1 ? kH2SpecialValues[(m >> 2) & 15]
                             : group == 2 ? 5
                             : m <= 0xC3  ? 6
                                          : 7;
  }
  table.NormalClasses[5] = 2;
  table.NormalClasses[6] = 3;
  table.NormalClasses[7] = 4;
  table.SelectorBase[2] = 0x80;
  table.SelectorBase[3] = 0xC0;
  table.SelectorBase[4] = 0xC4;
  for (int e = 0; e < kSpecialEntriesEncoded; ++e) {
    table.NormalClasses[kH2SpecialValues[e]] = uint8_t(5 + e);
    table.SelectorBase[5 + e] = uint8_t(0x40 + 4 * e);
  }
  for (int c = 2; c < kMaxPixelClasses; ++c) table.RunLimit[c] = 255;
  return table;
}

}  // namespace icn_detail

inline constexpr TIcnCodeTable kH1CodeTable = icn_detail::H1CodeTable();
inline constexpr TIcnCodeTable kH2CodeTable = icn_detail::H2CodeTable();

}  // namespace icnkit
