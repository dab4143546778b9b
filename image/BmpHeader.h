// The BMP header parser: every field of a bitmap file's headers is read and
// checked here, once, before any pixel storage is allocated. The reader
// (BmpReader.cpp) and writer (BmpWriter.cpp) share the layout below; the
// little-endian field access is format/Bytes.h.
//
// File header (14 bytes)          Info header (at 14; its size says which)
//   0  "BM"                          14  size: 12 = core, else >= 16
//   2  file size (u32)             core (12 bytes):
//   6  reserved                      18  width u16, 20 height u16
//  10  pixel-data offset (u32)       22  planes u16, 24 depth u16
//                                  info (16..40 bytes and longer; fields
//                                  past a short header's end count as 0):
//                                    18  width i32, 22 height i32 (< 0: rows
//                                        stored top first)
//                                    26  planes u16, 28 depth u16
//                                    30  compression, 34 image size
//                                    38  resolutions, 46 colours used
//                                    50  important colours
//                                    54  masks red, green, blue (bit fields
//                                        of 16/32 bits; a header shorter
//                                        than 52 bytes has them after it)
//  Then the colour table (4-byte entries blue, green, red, 0; 3-byte ones
//  after a core header), cut where the pixel data begins, and the pixel
//  data at its offset, which never lies inside the headers. Rows are padded
//  to 4 bytes, bottom row first unless the height is negative.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/Bytes.h"
#include "format/Error.h"

namespace icnkit {

struct TRgbQuad {
  uint8_t Blue = 0;
  uint8_t Green = 0;
  uint8_t Red = 0;
  uint8_t Reserved = 0;
  bool operator==(const TRgbQuad&) const = default;
};

// Compression codes of the BMP info header.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;

namespace bmp {

constexpr int64_t kFileHeaderSize = 14;
constexpr int64_t kInfoHeaderSize = 40;
constexpr int64_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;  // 54
// The file-size field is 32 bits: no BMP may be larger.
constexpr int64_t kMaxFileSize = 0xFFFFFFFF;

// Bytes per stored row: rows are padded to a multiple of 4 bytes. Exact in
// 64 bits for every 32-bit width and 16-bit depth.
inline int64_t Stride(int64_t width, int64_t bitsPerPixel) {
  return ((width * bitsPerPixel + 31) & ~int64_t{31}) / 8;
}

[[noreturn]] void ThrowNotValid();                               // "Bitmap image is not valid"
[[noreturn]] void ThrowReadError();                              // "Stream read error"
[[noreturn]] void ThrowTooLarge(int64_t width, int64_t height);  // "Bitmap too large: W x H"
// The most pixels one bitmap may have, read or made: kDefaultMaxPixels, or
// the number in the environment variable ICNKIT_MAX_PIXELS, read once. A
// file of a few bytes can declare 65535 x 65535 pixels; the bound keeps
// such a file from costing gigabytes before any pixel is read.
constexpr int64_t kDefaultMaxPixels = int64_t{1} << 28;
int64_t MaxPixels();
// The bound a value of ICNKIT_MAX_PIXELS gives: a decimal number from 1 to
// 2^62; anything else (null included) gives kDefaultMaxPixels.
int64_t ParseMaxPixels(const char* text);
// Raises "Bitmap too large" when an image of that size has more pixels than
// MaxPixels(), would not fit a BMP file (32-bit size) or has a row beyond 32
// bits. Every bitmap is checked here before its storage is allocated.
void CheckStorage(int64_t width, int64_t height, int64_t bitsPerPixel, int64_t colours);

}  // namespace bmp

// What the reader does with the pixel data.
enum class TBmpPixels {
  None,    // an empty file: an empty, device-dependent image
  Device,  // compressed data that is not decoded: size and table, no rows
  Rows,    // uncompressed rows (any depth, bit fields included)
  Rle8,    // RLE8 data, expanded into 8-bit rows
};

struct TBmpHeader {
  TBmpPixels Pixels = TBmpPixels::None;
  int32_t Width = 0;
  int32_t Height = 0;    // rows; never negative
  bool TopDown = false;  // the file stores the top row first
  uint16_t BitsPerPixel = 8;
  uint32_t Compression = kBiRgb;  // as the image reports it (kBiRgb once RLE8 is expanded)
  std::vector<TRgbQuad> ColourTable;
  int64_t Stride = 0;       // bytes per decoded row
  int64_t PixelOffset = 0;  // where the pixel data begins in the file
  // Bytes of pixel data to take from PixelOffset: stored rows (all of them,
  // or fewer when a trusted image-size field says so: the rest stays 0) or
  // RLE8 codes. Always in the file.
  int64_t PixelBytes = 0;
};

// Parses and checks the headers of the BMP file `file`. Raises "Bitmap
// image is not valid", "Stream read error" or "Bitmap too large: W x H",
// each where the loader has always raised it (see BmpHeader.cpp).
TBmpHeader ParseBmpHeader(std::span<const uint8_t> file);

}  // namespace icnkit
