// TIndexedImage: storage, reshaping, filling, row addressing and the BMP
// reader. The writer is in BmpWriter.cpp.
#include "support/IndexedImage.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "support/BmpLayout.h"
#include "support/ZtStreams.h"
#include "support/ZtSysUtils.h"

namespace {

// Storage for width x height at the given depth, all bytes 0. Raises "Bitmap
// too large" when the BMP of that image would not fit the 32-bit file-size
// field, when one row is beyond 32 bits, or when memory runs out.
TZtZeroedBuffer AllocatePixels(int64_t width, int64_t height, int64_t bitsPerPixel,
                               int64_t colours) {
  const int64_t stride = bmp::Stride(width, bitsPerPixel);
  // width, height < 2^31 and stride < 2^37: the product cannot overflow once
  // the stride has been bounded.
  if (stride > std::numeric_limits<int32_t>::max()) bmp::ThrowTooLarge(width, height);
  const int64_t storage = stride * height;
  if (bmp::kHeadersSize + 4 * colours + storage > bmp::kMaxFileSize) {
    bmp::ThrowTooLarge(width, height);
  }
  TZtZeroedBuffer pixels;
  if (width == 0 || height == 0) return pixels;
  try {
    pixels.Resize(static_cast<size_t>(storage));
  } catch (const std::bad_alloc&) {
    bmp::ThrowTooLarge(width, height);
  }
  return pixels;
}

// Reads and drops count bytes; the stream must hold them.
void SkipBytes(TZtStream& stream, int64_t count) {
  uint8_t scratch[4096];
  while (count > 0) {
    const int64_t n = std::min<int64_t>(count, sizeof scratch);
    stream.ReadBuffer(scratch, n);
    count -= n;
  }
}

// What the info header of a BMP says, whichever header kind it came from.
struct TBmpInfo {
  int64_t Width = 0;
  int64_t Height = 0;  // negative: top-down rows
  uint16_t Planes = 0;
  uint16_t BitsPerPixel = 0;
  uint32_t Compression = kBiRgb;
  uint32_t ImageSize = 0;
  uint32_t ColoursUsed = 0;
  std::array<uint32_t, 3> Masks{};
};

bool IsUncompressed(uint32_t compression) {
  return compression == kBiRgb || compression == kBiBitFields;
}

}  // namespace

int32_t TIndexedImage::Stride() const {
  return static_cast<int32_t>(bmp::Stride(Width_, BitsPerPixel_));
}

void TIndexedImage::Reshape(int32_t width, int32_t height) {
  if (width < 0 || height < 0) bmp::ThrowNotValid();
  TZtZeroedBuffer pixels =
      AllocatePixels(width, height, 8, static_cast<int64_t>(ColourTable_.size()));
  Pixels_ = std::move(pixels);
  Width_ = width;
  Height_ = height;
  BitsPerPixel_ = 8;
  Compression_ = kBiRgb;
  DeviceDependent_ = false;
  ColourMasks_ = {};
}

void TIndexedImage::Create8Bit(int32_t width, int32_t height, std::vector<TRgbQuad> colourTable) {
  if (colourTable.size() > 256) bmp::ThrowNotValid();
  ColourTable_ = std::move(colourTable);
  Reshape(width, height);
}

int TIndexedImage::NearestColourIndex(uint32_t colour) const {
  const int red = static_cast<int>(colour & 0xFF);
  const int green = static_cast<int>((colour >> 8) & 0xFF);
  const int blue = static_cast<int>((colour >> 16) & 0xFF);
  int best = 0;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (size_t i = 0; i < ColourTable_.size(); ++i) {
    const TRgbQuad& entry = ColourTable_[i];
    const int64_t dr = entry.Red - red;
    const int64_t dg = entry.Green - green;
    const int64_t db = entry.Blue - blue;
    const int64_t distance = dr * dr + dg * dg + db * db;
    // Strictly less: the lowest index wins ties, and an exact match (0) is
    // never beaten.
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
      if (distance == 0) break;
    }
  }
  return best;
}

void TIndexedImage::Fill(uint32_t colour) {
  if (!HasPixels()) return;
  if (BitsPerPixel_ != 8 || DeviceDependent_) throw TZtError("Wrong bitmap format");
  const uint8_t index = static_cast<uint8_t>(NearestColourIndex(colour));
  const size_t stride = static_cast<size_t>(Stride());
  // Pixels only: the pad bytes at the end of each row keep their value.
  for (int32_t row = 0; row < Height_; ++row) {
    std::memset(Pixels_.Data() + static_cast<size_t>(row) * stride, index,
                static_cast<size_t>(Width_));
  }
}

const uint8_t* TIndexedImage::RowAddress(int32_t r) const {
  if (r < 0 || r >= Height_) throw TZtError("Scan line index out of range");
  const int64_t stride = Stride();
  // A device-dependent image has a size but no storage of its rows.
  if (static_cast<uint64_t>(stride) * static_cast<uint64_t>(Height_) > Pixels_.Size()) {
    throw TZtError("Scan line index out of range");
  }
  return Pixels_.Data() + (static_cast<int64_t>(Height_) - 1 - r) * stride;
}

uint8_t* TIndexedImage::RowAddress(int32_t r) {
  return const_cast<uint8_t*>(static_cast<const TIndexedImage*>(this)->RowAddress(r));
}

void TIndexedImage::LoadBmp(TZtStream& stream) {
  const int64_t available = stream.Size() - stream.Position();
  TIndexedImage loaded;
  if (available <= 0) {
    // An empty stream gives an empty image, which counts as device-dependent.
    loaded.DeviceDependent_ = true;
    *this = std::move(loaded);
    return;
  }

  uint8_t fileHeader[bmp::kFileHeaderSize];
  stream.ReadBuffer(fileHeader, sizeof fileHeader);
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') bmp::ThrowNotValid();
  const int64_t pixelOffset = bmp::GetU32(fileHeader + bmp::kOffPixelOffset);

  uint8_t sizeField[4];
  stream.ReadBuffer(sizeField, sizeof sizeField);
  const int64_t infoSize = bmp::GetU32(sizeField);
  int64_t consumed = bmp::kFileHeaderSize + 4;

  TBmpInfo info;
  const bool core = infoSize == 12;
  if (core) {
    // The old core header: 16-bit width, height, planes and depth.
    uint8_t header[8];
    stream.ReadBuffer(header, sizeof header);
    info.Width = bmp::GetU16(header);
    info.Height = bmp::GetU16(header + 2);
    info.Planes = bmp::GetU16(header + 4);
    info.BitsPerPixel = bmp::GetU16(header + 6);
    consumed += 8;
  } else {
    // The 40-byte info header, or a shorter variant whose missing fields
    // count as 0, or a longer one whose extra bytes (masks at 40..51 of the
    // later versions, colour space) follow.
    if (infoSize < 16) bmp::ThrowNotValid();
    if (infoSize - 4 > available - consumed) bmp::ThrowReadError();
    uint8_t header[48] = {};
    const int64_t used = std::min<int64_t>(infoSize - 4, sizeof header);
    stream.ReadBuffer(header, used);
    SkipBytes(stream, infoSize - 4 - used);
    consumed += infoSize - 4;
    info.Width = bmp::GetI32(header);
    info.Height = bmp::GetI32(header + 4);
    info.Planes = bmp::GetU16(header + 8);
    info.BitsPerPixel = bmp::GetU16(header + 10);
    info.Compression = bmp::GetU32(header + 12);
    info.ImageSize = bmp::GetU32(header + 16);
    info.ColoursUsed = bmp::GetU32(header + 28);
    if (info.Compression == kBiBitFields && (info.BitsPerPixel == 16 || info.BitsPerPixel == 32)) {
      const uint8_t* masks = header + 36;
      uint8_t separate[12];
      if (bmp::HeadersEnd(infoSize, info.Compression, info.BitsPerPixel) > consumed) {
        stream.ReadBuffer(separate, sizeof separate);
        consumed += sizeof separate;
        masks = separate;
      }
      for (size_t i = 0; i < 3; ++i) info.Masks[i] = bmp::GetU32(masks + 4 * i);
    }
  }
  // Pixel data that would begin inside the headers cannot be told from them.
  if (pixelOffset < consumed) bmp::ThrowNotValid();

  if (info.Planes != 1) bmp::ThrowNotValid();
  if (info.Width < 0 || info.Height == std::numeric_limits<int32_t>::min()) bmp::ThrowNotValid();
  const bool topDown = info.Height < 0;
  const int64_t height = topDown ? -info.Height : info.Height;
  const uint16_t depth = info.BitsPerPixel;
  if (info.Compression == kBiRgb && depth != 1 && depth != 2 && depth != 4 && depth != 8 &&
      depth != 16 && depth != 24 && depth != 32) {
    bmp::ThrowNotValid();
  }
  if (info.Compression == kBiBitFields && depth != 16 && depth != 32) bmp::ThrowNotValid();

  // The colour table follows the headers. It is as long as the header says
  // (2^depth entries when it says nothing) but ends where the pixel data
  // begins: many writers store only the colours they use.
  int64_t colours = info.ColoursUsed;
  if (core || colours == 0) colours = (depth >= 1 && depth <= 8) ? (int64_t{1} << depth) : 0;
  if (colours > 256) bmp::ThrowNotValid();
  const int64_t entrySize = core ? 3 : 4;
  colours = std::min(colours, (pixelOffset - consumed) / entrySize);
  uint8_t table[256 * 4];
  stream.ReadBuffer(table, colours * entrySize);
  consumed += colours * entrySize;
  loaded.ColourTable_.resize(static_cast<size_t>(colours));
  for (int64_t i = 0; i < colours; ++i) {
    const uint8_t* entry = table + i * entrySize;
    loaded.ColourTable_[static_cast<size_t>(i)] = TRgbQuad{entry[0], entry[1], entry[2], 0};
  }

  loaded.Width_ = static_cast<int32_t>(info.Width);
  loaded.Height_ = static_cast<int32_t>(height);
  loaded.BitsPerPixel_ = depth;
  loaded.Compression_ = info.Compression;
  loaded.ColourMasks_ = info.Masks;
  if (!IsUncompressed(info.Compression)) {
    // Compressed pixels (RLE4, RLE8 not expanded by the loader, JPEG, ...)
    // are not turned into indices: the image is device-dependent, without
    // rows.
    loaded.DeviceDependent_ = true;
    *this = std::move(loaded);
    return;
  }

  // The pixel data begins where the header says, after a gap some writers
  // leave behind the colour table.
  int64_t remaining = available - consumed;
  if (pixelOffset - consumed > remaining) bmp::ThrowNotValid();
  SkipBytes(stream, pixelOffset - consumed);
  remaining -= pixelOffset - consumed;

  loaded.Pixels_ = AllocatePixels(info.Width, height, depth, colours);
  const int64_t storage = static_cast<int64_t>(loaded.Pixels_.Size());
  const int64_t imageSize =
      (info.Compression == kBiRgb || info.ImageSize == 0) ? storage : info.ImageSize;
  // A file that ends inside its pixel data leaves the rest 0.
  const int64_t toRead = std::min({imageSize, storage, remaining});
  stream.ReadBuffer(loaded.Pixels_.Data(), toRead);

  if (topDown && height > 1) {
    // Rows were stored top first; the storage keeps the bottom row first.
    const size_t stride = static_cast<size_t>(loaded.Stride());
    std::vector<uint8_t> swap(stride);
    uint8_t* low = loaded.Pixels_.Data();
    uint8_t* high = low + static_cast<size_t>(height - 1) * stride;
    for (; low < high; low += stride, high -= stride) {
      std::memcpy(swap.data(), low, stride);
      std::memcpy(low, high, stride);
      std::memcpy(high, swap.data(), stride);
    }
  }
  *this = std::move(loaded);
}
