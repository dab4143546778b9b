// ParseBmpHeader: every check a bitmap file's headers get, in the order the
// loader has always made them, so that each broken file keeps its message.
//
// Two kinds of file are checked in two steps. Top-down uncompressed files
// and RLE8 files with an info header of 40 bytes or more (the kinds whose
// rows used to be rebuilt before reading) are first checked for their size
// and row data; every file then goes through the header checks proper.
#include "image/BmpHeader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace icnkit {

namespace bmp {

void ThrowNotValid() {
  throw TZtError("Bitmap image is not valid");
}
void ThrowReadError() {
  throw TZtError("Stream read error");
}
void ThrowTooLarge(int64_t width, int64_t height) {
  throw TZtError(ZtFormat("Bitmap too large: %lld x %lld", static_cast<long long>(width),
                          static_cast<long long>(height)));
}

int64_t ParseMaxPixels(const char* text) {
  constexpr int64_t kLargest = int64_t{1} << 62;
  if (text == nullptr || *text == '\0') return kDefaultMaxPixels;
  int64_t value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return kDefaultMaxPixels;
    const int64_t digit = *c - '0';
    // Checked by division before the multiplication, which could overflow.
    if (value > (kLargest - digit) / 10) return kDefaultMaxPixels;
    value = value * 10 + digit;
  }
  return value == 0 ? kDefaultMaxPixels : value;
}

int64_t MaxPixels() {
  static const int64_t bound = ParseMaxPixels(std::getenv("ICNKIT_MAX_PIXELS"));
  return bound;
}

void CheckStorage(int64_t width, int64_t height, int64_t bitsPerPixel, int64_t colours) {
  // width, height < 2^31, and below them stride < 2^31: no product here
  // can overflow.
  if (width * height > MaxPixels()) ThrowTooLarge(width, height);
  const int64_t stride = Stride(width, bitsPerPixel);
  if (stride > std::numeric_limits<int32_t>::max()) ThrowTooLarge(width, height);
  if (kHeadersSize + 4 * colours + stride * height > kMaxFileSize) ThrowTooLarge(width, height);
}

}  // namespace bmp

namespace {

bool IsUncompressed(uint32_t compression) {
  return compression == kBiRgb || compression == kBiBitFields;
}

bool HasMasks(uint32_t compression, uint16_t bitsPerPixel) {
  return compression == kBiBitFields && (bitsPerPixel == 16 || bitsPerPixel == 32);
}

// The first step for top-down and RLE8 files (file at least 54 bytes long,
// info header of 40 bytes or more): sizes and row data, before the magic.
void CheckRowData(std::span<const uint8_t> file, bool rle8) {
  const uint8_t* p = file.data();
  const int64_t size = static_cast<int64_t>(file.size());
  const int64_t infoSize = GetU32(p + 14);
  const int64_t width = static_cast<int32_t>(GetU32(p + 18));
  const int64_t height = static_cast<int32_t>(GetU32(p + 22));
  const uint16_t depth = GetU16(p + 28);
  const int64_t pixelOffset = GetU32(p + 10);
  const int64_t headersEnd =
      bmp::kFileHeaderSize + infoSize + (HasMasks(GetU32(p + 30), depth) && infoSize < 52 ? 12 : 0);
  // A negative width has no rows, the most negative height no positive
  // counterpart, and pixel data inside the headers cannot be told from them.
  if (width < 0 || height == std::numeric_limits<int32_t>::min() ||
      pixelOffset < std::max(headersEnd, bmp::kHeadersSize)) {
    bmp::ThrowNotValid();
  }
  const int64_t rows = height < 0 ? -height : height;
  if (rle8) {
    const int64_t imageSize = ((width + 3) & ~int64_t{3}) * rows;
    if (pixelOffset + imageSize > bmp::kMaxFileSize) bmp::ThrowTooLarge(width, rows);
    if (pixelOffset > size) bmp::ThrowNotValid();
    return;
  }
  // A row of a deep image can pass 2^32 bytes: bounded by division before
  // stride x rows is formed.
  const int64_t stride = bmp::Stride(width, depth);
  if (stride > bmp::kMaxFileSize / rows) bmp::ThrowTooLarge(width, rows);
  const int64_t imageSize = stride * rows;
  if (pixelOffset + imageSize > bmp::kMaxFileSize) bmp::ThrowTooLarge(width, rows);
  // Top-down rows must all be there.
  if (size < pixelOffset + imageSize) bmp::ThrowReadError();
}

}  // namespace

TBmpHeader ParseBmpHeader(std::span<const uint8_t> file) {
  TBmpHeader header;
  const int64_t size = static_cast<int64_t>(file.size());
  // An empty file gives an empty image, which counts as device-dependent.
  if (size == 0) return header;
  const uint8_t* p = file.data();
  const auto need = [size](int64_t end) {
    if (end > size) bmp::ThrowReadError();
  };

  bool rle8 = false;
  if (size >= bmp::kHeadersSize && GetU32(p + 14) >= bmp::kInfoHeaderSize) {
    const uint32_t compression = GetU32(p + 30);
    rle8 = compression == kBiRle8 && GetU16(p + 28) == 8;
    const bool topDown = IsUncompressed(compression) && static_cast<int32_t>(GetU32(p + 22)) < 0;
    if (rle8 || topDown) CheckRowData(file, rle8);
  }

  need(bmp::kFileHeaderSize);
  if (p[0] != 'B' || p[1] != 'M') bmp::ThrowNotValid();
  const int64_t pixelOffset = GetU32(p + 10);
  need(bmp::kFileHeaderSize + 4);
  const int64_t infoSize = GetU32(p + 14);

  int64_t width = 0;
  int64_t height = 0;
  uint16_t planes = 0;
  uint16_t depth = 0;
  uint32_t compression = kBiRgb;
  int64_t imageSize = 0;
  int64_t colours = 0;
  int64_t consumed = 0;  // end of the headers
  const bool core = infoSize == 12;
  if (core) {
    need(26);
    width = GetU16(p + 18);
    height = GetU16(p + 20);
    planes = GetU16(p + 22);
    depth = GetU16(p + 24);
    consumed = 26;
  } else {
    if (infoSize < 16) bmp::ThrowNotValid();
    need(bmp::kFileHeaderSize + infoSize);
    // Fields past the end of a short header count as 0.
    uint8_t info[48] = {};
    std::memcpy(info, p + 18, static_cast<size_t>(std::min<int64_t>(infoSize - 4, sizeof info)));
    width = static_cast<int32_t>(GetU32(info));
    height = static_cast<int32_t>(GetU32(info + 4));
    planes = GetU16(info + 8);
    depth = GetU16(info + 10);
    compression = GetU32(info + 12);
    imageSize = GetU32(info + 16);
    colours = GetU32(info + 28);
    consumed = bmp::kFileHeaderSize + infoSize;
    // The red, green and blue masks follow a header shorter than 52 bytes;
    // the rows are taken as stored, so their values play no part.
    if (HasMasks(compression, depth) && infoSize < 52) {
      need(consumed + 12);
      consumed += 12;
    }
  }
  if (pixelOffset < consumed) bmp::ThrowNotValid();
  if (planes != 1) bmp::ThrowNotValid();
  if (width < 0 || height == std::numeric_limits<int32_t>::min()) bmp::ThrowNotValid();
  if (compression == kBiRgb && depth != 1 && depth != 2 && depth != 4 && depth != 8 &&
      depth != 16 && depth != 24 && depth != 32) {
    bmp::ThrowNotValid();
  }
  if (compression == kBiBitFields && depth != 16 && depth != 32) bmp::ThrowNotValid();

  // The colour table follows the headers. It is as long as the header says
  // (2^depth entries when it says nothing) but ends where the pixel data
  // begins: many writers store only the colours they use.
  if (core || colours == 0) colours = (depth >= 1 && depth <= 8) ? (int64_t{1} << depth) : 0;
  if (colours > 256) bmp::ThrowNotValid();
  const int64_t entrySize = core ? 3 : 4;
  colours = std::min(colours, (pixelOffset - consumed) / entrySize);
  need(consumed + colours * entrySize);
  for (int64_t i = 0; i < colours; ++i) {
    const uint8_t* entry = p + consumed + i * entrySize;
    header.ColourTable.push_back(TRgbQuad{entry[0], entry[1], entry[2], 0});
  }

  header.Width = static_cast<int32_t>(width);
  header.TopDown = height < 0;
  header.Height = static_cast<int32_t>(height < 0 ? -height : height);
  header.BitsPerPixel = depth;
  header.Compression = rle8 ? kBiRgb : compression;
  header.PixelOffset = pixelOffset;
  if (!rle8 && !IsUncompressed(compression)) {
    // RLE4, RLE8 of other depths or headers, JPEG, ...: not decoded.
    header.Pixels = TBmpPixels::Device;
    return header;
  }
  if (pixelOffset > size) bmp::ThrowNotValid();
  bmp::CheckStorage(width, header.Height, depth, colours);
  header.Stride = bmp::Stride(width, depth);
  const int64_t available = size - pixelOffset;
  if (rle8) {
    // The codes run to the end of the file as the header states it, and no
    // further than the file goes.
    header.Pixels = TBmpPixels::Rle8;
    header.PixelBytes = std::clamp<int64_t>(int64_t{GetU32(p + 2)} - pixelOffset, 0, available);
    return header;
  }
  // The image-size field is often 0 or wrong and is recomputed, except in
  // the short info headers of bit-field files, where it is trusted. The file
  // must hold the rows it declares: a few bytes declaring gigabytes of rows
  // are refused before the storage is allocated.
  const int64_t storage = header.Stride * header.Height;
  const bool trustSizeField = compression == kBiBitFields && infoSize < 40 && imageSize != 0;
  header.Pixels = TBmpPixels::Rows;
  header.PixelBytes = std::min(trustSizeField ? imageSize : storage, storage);
  if (header.PixelBytes > available) bmp::ThrowReadError();
  return header;
}

}  // namespace icnkit
