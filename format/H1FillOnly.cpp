// The H1 fill-only rule. An H1 record has no flag byte, so the flag is
// deduced from the archive's name and from whether the frame's stream reads
// as a well-formed normal stream.
#include <cstring>

#include "format/Error.h"
#include "format/H1Codec.h"
#include "format/Text.h"

namespace icnkit {

namespace {

// Whether any of the n bytes at p is 0, a machine word at a time (a word
// has a 0 byte when subtracting 1 from each byte borrows into its top bit).
// Runs are short (at most 127 bytes, mostly a few): a C library memchr
// costs a call per run, and in WebAssembly it is a plain loop besides, the
// largest part of an H1 archive's decode there.
bool HasZeroByte(const uint8_t* p, size_t n) {
  constexpr uint64_t kOnes = 0x0101010101010101u, kTops = 0x8080808080808080u;
  const auto zeroIn = [](const uint8_t* at) {
    uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return ((word - kOnes) & ~word & kTops) != 0;
  };
  if (n < 8) {
    for (size_t i = 0; i < n; ++i) {
      if (p[i] == 0) return true;
    }
    return false;
  }
  for (size_t i = 0; i + 8 < n; i += 8) {
    if (zeroIn(p + i)) return true;
  }
  return zeroIn(p + n - 8);
}

// Reads the stream as if the frame were normal. Fill-only streams give
// themselves away: a literal run swallows a code byte 0, or runs into the
// last byte of the frame's data region, or the end-of-row codes do not
// count h or h - 1. Reaching the end of the image without an end-of-frame
// code also means fill-only, and so does reading past the longest stream a
// well-formed frame of this size can have (limit), where the scan stops.
bool ScanSaysFillOnly(TArchiveImage image, size_t start, size_t last, int64_t rows,
                      uint64_t limit) {
  const uint8_t* const data = image.data();
  const size_t size = limit < image.size() - start ? start + size_t(limit) : image.size();
  size_t p = start;
  while (p < size) {
    const uint8_t code = data[p++];
    if (code == 0x00) {
      --rows;
    } else if (code < 0x80) {
      const size_t n = code;
      if (n > size - p) return true;
      if (p <= last && last < p + n) return true;
      if (HasZeroByte(data + p, n)) return true;
      p += n;
    } else if (code == 0x80) {
      return rows != 0 && rows != 1;
    }
  }
  return true;
}

}  // namespace

bool DeduceH1FillOnly(const std::string& archiveName, TArchiveImage image, size_t index) {
  const std::string name = AsciiLower(archiveName);
  if (name == "font.icn") return true;
  const size_t dot = name.rfind('.');
  if (index == 0 && dot != std::string::npos && name.compare(dot, std::string::npos, ".std") == 0) {
    return true;
  }
  const TIcnFrame record = FrameRecordAt(image, TIcnGeneration::H1, index);
  if (record.Height == 0) return false;
  const size_t start = FrameDataAt(image, record);
  const size_t last = FrameDataEnd(image, TIcnGeneration::H1, index) - 1;
  return ScanSaysFillOnly(image, start, last, record.Height, MaxStreamLength(record));
}

}  // namespace icnkit
