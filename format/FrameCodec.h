// The one decode loop and the one encode loop of both generations, each
// driven by its generation's code table (format/CodeTables.h). The public
// operations (DecodeH1Frame, EncodeH2Frame, ...) are thin functions over
// these; only the codec sources include this header.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "format/CodeTables.h"
#include "format/FrameCursor.h"
#include "format/StreamBuffer.h"

namespace icnkit {

namespace icn_detail {

// With masked moves, the decode loop tells literal runs (0x01..0x7F, as
// many pixels as the code) and skips (0x81 to the last skip code, the code
// less 0x80) from their code byte alone, ahead of the table: the branch on
// the kind then waits for one read, not two. (With the portable moves the
// table read measured faster.) Checked against the table at compile time.
constexpr int LastSkipCode(const TIcnCodeTable& table) {
  int last = 0x80;
  while (last < 0xFF && table.Codes[size_t(last) + 1].Kind == TCodeKind::Skip) ++last;
  return last;
}

constexpr bool KindsFollowCodeBytes(const TIcnCodeTable& table) {
  for (int c = 0; c < 256; ++c) {
    const TCode code = table.Codes[size_t(c)];
    const bool literal = c >= 0x01 && c <= 0x7F, skip = c >= 0x81 && c <= LastSkipCode(table);
    if ((code.Kind == TCodeKind::Literal) != literal || (code.Kind == TCodeKind::Skip) != skip) {
      return false;
    }
    if ((literal && code.Length != c) || (skip && code.Length != c - 0x80)) return false;
  }
  return true;
}

// One code and what follows it. Checked: the data may end within the code's
// payload; unchecked: the caller has made sure that at least
// kLongestPayload bytes follow the code byte. False ends the frame.
constexpr size_t kLongestPayload = 127;

template <const TIcnCodeTable& Table, bool FillOnly, bool Checked, class TCursor>
ICN_ALWAYS_INLINE bool DecodeCode(TCursor& cursor, const uint8_t*& p, const uint8_t* const end) {
  static_assert(KindsFollowCodeBytes(Table));
  constexpr bool Masked = TCursor::kMasked;
  constexpr uint8_t kSkipCodes = uint8_t(LastSkipCode(Table) - 0x80);
  const uint8_t byte = *p++;
  const TCode code = Masked ? TCode{} : Table.Codes[byte];
  if (Masked ? uint8_t(byte - 0x01) < 0x7F : code.Kind == TCodeKind::Literal) {
    // A literal's length is its code byte: taking it from there rather than
    // from the table keeps the table read off the path from one code to the
    // next.
    const uint32_t n = byte;
    if constexpr (FillOnly) {
      cursor.Fill(kFillOnlyIndex, n);
    } else {
      if constexpr (Checked) {
        // A run cut short by the end of the data is copied as far as it goes.
        const size_t available = static_cast<size_t>(end - p);
        if (available < n) {
          cursor.Copy(p, static_cast<uint32_t>(available));
          return false;
        }
      }
      if constexpr (Checked) {
        cursor.Copy(p, n);
      } else {
        cursor.CopyWithSlack(p, n);
      }
      p += n;
    }
    return true;
  }
  if (Masked ? uint8_t(byte - 0x81) < kSkipCodes : code.Kind == TCodeKind::Skip) {
    cursor.Skip(byte - 0x80u);
    return true;
  }
  const TCode other = Table.Codes[byte];
  switch (other.Kind) {
    case TCodeKind::EndRow:
      return cursor.NextRow();
    case TCodeKind::Special: {
      if (Checked && p == end) return false;
      const uint8_t selector = *p++;
      uint32_t n = selector & 3u;
      if (n == 0) {
        if (Checked && p == end) return false;
        n = *p++;
      }
      cursor.Fill(Table.SelectorValue[selector], n);
      return true;
    }
    case TCodeKind::LongFill:
      if (Checked && end - p < 2) return false;
      cursor.Fill(p[1], p[0]);
      p += 2;
      return true;
    case TCodeKind::ShortFill:
      if (Checked && p == end) return false;
      cursor.Fill(*p++, other.Length);
      return true;
    default:  // end of frame
      return false;
  }
}

// Decodes the stream with cursor, which writes the pixels. Stops at the
// end-of-frame code, at the end of the data, or where the cursor's NextRow
// says no more rows; a run cut short by the end of the data is written as
// far as it goes (literal) or not at all (fill runs). Codes far from the
// end of the data need no bounds checks.
template <const TIcnCodeTable& Table, bool FillOnly, class TCursor>
void DecodeStream(std::span<const uint8_t> stream, TCursor& cursor) {
  if (cursor.Empty()) return;
  const uint8_t* p = stream.data();
  const uint8_t* const end = p + stream.size();
  if (stream.size() > kLongestPayload) {
    const uint8_t* const safeEnd = end - kLongestPayload;
    while (p < safeEnd) {
      if (!DecodeCode<Table, FillOnly, false>(cursor, p, end)) return;
    }
  }
  while (p < end) {
    if (!DecodeCode<Table, FillOnly, true>(cursor, p, end)) return;
  }
}

// Decodes the stream into target: runs are clipped to the frame, and more
// end-of-row codes than target.Height end it. Masked: runs are written
// with masked moves (format/MaskedRuns.h), which only some processors have;
// the result is the same.
template <const TIcnCodeTable& Table, bool FillOnly, bool Masked>
void DecodeFrameWith(std::span<const uint8_t> stream, const TFrameRaster& target) {
  TBasicFrameCursor<Masked> cursor(target);
  DecodeStream<Table, FillOnly>(stream, cursor);
}

template <const TIcnCodeTable& Table, bool Masked>
void DecodeFrameAs(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly) {
  if (fillOnly) {
    DecodeFrameWith<Table, true, Masked>(stream, target);
  } else {
    DecodeFrameWith<Table, false, Masked>(stream, target);
  }
}

template <const TIcnCodeTable& Table>
void DecodeFrame(std::span<const uint8_t> stream, const TFrameRaster& target, bool fillOnly) {
#ifdef ICN_HAVE_MASKED_RUNS
  if (MaskedRunsAvailable()) {
    DecodeFrameAs<Table, true>(stream, target, fillOnly);
    return;
  }
#endif
  DecodeFrameAs<Table, false>(stream, target, fillOnly);
}

// Appends the stream of the width x height rectangle at source (rows
// rowStep apart). Runs of one class up to the class's limit; a transparent
// stretch reaching the end of the row needs no code, the end-of-row code
// covers it.
template <const TIcnCodeTable& Table>
void EncodeFrame(std::vector<uint8_t>& output, const uint8_t* source, ptrdiff_t rowStep,
                 int32_t width, int32_t height, bool fillOnly) {
  const uint8_t* const classes =
      fillOnly ? Table.FillOnlyClasses.data() : Table.NormalClasses.data();
  if (height < 1) {
    output.push_back(0x80);
    return;
  }
  const int64_t w = std::max<int32_t>(width, 0);
  // Worst case per row: two bytes per pixel (one-pixel special runs, or a
  // literal run of one and a skip), plus the end-of-row code.
  ReserveFor(output, uint64_t(height) * (2 * uint64_t(w) + 1) + 1);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = source + y * rowStep;
    int64_t pos = 0;
    while (pos < w) {
      const uint8_t c = classes[row[pos]];
      const int64_t limit = Table.RunLimit[c];
      int64_t n = 1;
      while (n < limit && pos + n < w && classes[row[pos + n]] == c) ++n;
      if (c == kClassLiteral) {
        output.push_back(static_cast<uint8_t>(n));
        if (!fillOnly) output.insert(output.end(), row + pos, row + pos + n);
      } else if (c == kClassTransparent) {
        if (pos + n < w) output.push_back(static_cast<uint8_t>(0x80 + n));
      } else {
        const uint8_t base = Table.SelectorBase[c];
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

}  // namespace icn_detail

}  // namespace icnkit
