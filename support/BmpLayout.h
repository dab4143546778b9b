// Byte layout of BMP files shared by the image's reader and writer and the
// loader's rewrites: little-endian field access, row length, size limits.
#pragma once

#include <cstdint>

#include "support/IndexedImage.h"
#include "support/ZtSysUtils.h"

namespace bmp {

// File header (14 bytes) and the 40-byte info header that follows it.
constexpr int64_t kFileHeaderSize = 14;
constexpr int64_t kInfoHeaderSize = 40;
constexpr int64_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;  // 54
constexpr int64_t kOffFileSize = 2;
constexpr int64_t kOffPixelOffset = 10;
constexpr int64_t kOffInfoSize = 14;
constexpr int64_t kOffWidth = 18;
constexpr int64_t kOffHeight = 22;
constexpr int64_t kOffPlanes = 26;
constexpr int64_t kOffBitsPerPixel = 28;
constexpr int64_t kOffCompression = 30;
constexpr int64_t kOffImageSize = 34;
constexpr int64_t kOffColoursUsed = 46;

// Where the headers end and the colour table begins: the file header, the
// info header and, when the info header is too short to hold them, the three
// masks of a 16- or 32-bit bit-field file. Pixel data never begins before
// it; the colour table runs from there to the pixel data at most.
inline int64_t HeadersEnd(int64_t infoSize, uint32_t compression, uint16_t bitsPerPixel) {
  const bool separateMasks = compression == kBiBitFields &&
                             (bitsPerPixel == 16 || bitsPerPixel == 32) && infoSize != 12 &&
                             infoSize < 52;
  return kFileHeaderSize + infoSize + (separateMasks ? 12 : 0);
}

// The file-size field is 32 bits: no BMP may be larger.
constexpr int64_t kMaxFileSize = 0xFFFFFFFF;

inline uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t GetI32(const uint8_t* p) {
  return static_cast<int32_t>(GetU32(p));
}
inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutI32(uint8_t* p, int32_t v) {
  PutU32(p, static_cast<uint32_t>(v));
}

// Bytes per stored row: rows are padded to a multiple of 4 bytes. Exact in
// 64 bits for every 32-bit width and 16-bit depth.
inline int64_t Stride(int64_t width, int64_t bitsPerPixel) {
  return ((width * bitsPerPixel + 31) & ~int64_t{31}) / 8;
}

[[noreturn]] inline void ThrowNotValid() {
  throw TZtError("Bitmap image is not valid");
}
[[noreturn]] inline void ThrowReadError() {
  throw TZtError("Stream read error");
}
[[noreturn]] inline void ThrowTooLarge(int64_t width, int64_t height) {
  throw TZtError(ZtFormat("Bitmap too large: %lld x %lld", static_cast<long long>(width),
                          static_cast<long long>(height)));
}

}  // namespace bmp
