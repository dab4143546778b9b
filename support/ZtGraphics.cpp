// Bitmap loading: the rewrites that let the image's reader take top-down
// and RLE8 files, and the replace stream path that shows it a corrected
// header for every other file.
#include "support/ZtGraphics.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "support/BmpLayout.h"
#include "support/ZtSysUtils.h"

namespace {

int64_t BytesLeft(TZtStream& stream) {
  return std::max<int64_t>(0, stream.Size() - stream.Position());
}

// The fields of the 54-byte header buffer both rewrites need.
struct THeaderFields {
  int64_t Width;
  int64_t Height;
  int64_t BitsPerPixel;
  int64_t PixelOffset;
  int64_t FileSize;
};

THeaderFields ReadFields(const uint8_t* header) {
  THeaderFields fields{};
  fields.Width = bmp::GetI32(header + bmp::kOffWidth);
  fields.Height = bmp::GetI32(header + bmp::kOffHeight);
  fields.BitsPerPixel = bmp::GetU16(header + bmp::kOffBitsPerPixel);
  fields.PixelOffset = bmp::GetU32(header + bmp::kOffPixelOffset);
  fields.FileSize = bmp::GetU32(header + bmp::kOffFileSize);
  // A negative width has no rows to rebuild, and the most negative height
  // has no positive counterpart. Pixel data that would begin inside the
  // headers is refused as the image's reader refuses it; the colour table,
  // however short, is whatever lies between the headers and the pixels.
  const int64_t headersEnd =
      bmp::HeadersEnd(bmp::GetU32(header + bmp::kOffInfoSize),
                      bmp::GetU32(header + bmp::kOffCompression), fields.BitsPerPixel);
  if (fields.Width < 0 || fields.Height == std::numeric_limits<int32_t>::min() ||
      fields.PixelOffset < std::max(headersEnd, bmp::kHeadersSize)) {
    bmp::ThrowNotValid();
  }
  return fields;
}

// The bytes between the 54-byte header and the pixel data (colour table,
// masks, a longer info header) are copied unchanged; a short read is fine.
void CopyGap(TZtMemoryStream& header, TZtStream& source, int64_t pixelOffset) {
  const int64_t gap = pixelOffset - bmp::kHeadersSize;
  if (gap > 0) source.Read(header.Data() + bmp::kHeadersSize, gap);
}

// RLE8 decoding into the output area [out, out + size). Every write is
// clipped to the area and every read to the data, whatever the codes say.
void DecodeRle8(const uint8_t* data, int64_t length, uint8_t* out, int64_t size, int64_t firstRow,
                int64_t rowStep) {
  int64_t in = 0;
  int64_t write = firstRow;
  int64_t rowStart = firstRow;
  while (length - in >= 2 && write >= 0 && write <= size) {
    const int64_t count = data[in];
    const int64_t value = data[in + 1];
    in += 2;
    if (count > 0) {
      std::memset(out + write, static_cast<int>(value),
                  static_cast<size_t>(std::min(count, size - write)));
      write += count;
    } else if (value == 0) {  // end of line
      rowStart += rowStep;
      write = rowStart;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta: dx right, dy rows on
      if (length - in < 2) break;
      const int64_t dx = data[in];
      const int64_t dy = data[in + 1];
      in += 2;
      rowStart += dy * rowStep;
      write += dy * rowStep + dx;
    } else {  // literal run of value bytes, padded to an even length
      const int64_t n = std::min({value, length - in, size - write});
      std::memcpy(out + write, data + in, static_cast<size_t>(n));
      in = std::min(length, in + ((value + 1) & ~int64_t{1}));
      write += value;
    }
  }
}

}  // namespace

void FlipTopDownBmp(TZtMemoryStream& header, TZtStream& source) {
  const THeaderFields fields = ReadFields(header.Data());
  const int64_t height = -fields.Height;
  const int64_t stride = bmp::Stride(fields.Width, fields.BitsPerPixel);
  // A row of a deep image can pass 2^32 bytes: bounded by division before
  // stride x height is formed.
  if (height != 0 && stride > bmp::kMaxFileSize / height) bmp::ThrowTooLarge(fields.Width, height);
  const int64_t imageSize = stride * height;
  const int64_t fileSize = fields.PixelOffset + imageSize;
  if (fileSize > bmp::kMaxFileSize) bmp::ThrowTooLarge(fields.Width, height);
  // Every row must be read whole: a source too short for them fails now,
  // before the buffer is grown for rows that will never come.
  if (BytesLeft(source) < fields.PixelOffset - bmp::kHeadersSize + imageSize) {
    bmp::ThrowReadError();
  }

  uint8_t* p = header.Data();
  bmp::PutI32(p + bmp::kOffHeight, static_cast<int32_t>(height));
  bmp::PutU32(p + bmp::kOffFileSize, static_cast<uint32_t>(fileSize));
  bmp::PutU32(p + bmp::kOffImageSize, static_cast<uint32_t>(imageSize));
  try {
    header.SetSize(fileSize);
  } catch (const std::bad_alloc&) {
    bmp::ThrowTooLarge(fields.Width, height);
  }
  p = header.Data();
  CopyGap(header, source, fields.PixelOffset);
  // The file's first row is the picture's top, the last row of a bottom-up
  // file. Rows of no bytes (width 0, or a depth 0 the reader rejects) are
  // not read one by one: there can be 2^31 of them.
  for (int64_t row = stride > 0 ? height - 1 : -1; row >= 0; --row) {
    source.ReadBuffer(p + fields.PixelOffset + row * stride, stride);
  }
}

void ExpandRle8Bmp(TZtMemoryStream& header, TZtStream& source) {
  const THeaderFields fields = ReadFields(header.Data());
  const int64_t height = fields.Height < 0 ? -fields.Height : fields.Height;
  const int64_t stride = (fields.Width + 3) & ~int64_t{3};
  const int64_t imageSize = stride * height;
  const int64_t fileSize = fields.PixelOffset + imageSize;
  if (fileSize > bmp::kMaxFileSize) bmp::ThrowTooLarge(fields.Width, height);
  // Pixel data that would begin past the end of the file is no RLE8 file.
  if (fields.PixelOffset - bmp::kHeadersSize > BytesLeft(source)) bmp::ThrowNotValid();

  try {
    header.SetSize(fileSize);
  } catch (const std::bad_alloc&) {
    bmp::ThrowTooLarge(fields.Width, height);
  }
  CopyGap(header, source, fields.PixelOffset);

  // The compressed data runs to the end of the file as the header states it,
  // and no further than the source goes.
  const int64_t declared = std::max<int64_t>(0, fields.FileSize - fields.PixelOffset);
  std::vector<uint8_t> data(static_cast<size_t>(std::min(declared, BytesLeft(source))));
  const int64_t length = source.Read(data.data(), static_cast<int64_t>(data.size()));

  uint8_t* p = header.Data();
  bmp::PutU32(p + bmp::kOffCompression, kBiRgb);
  bmp::PutU32(p + bmp::kOffImageSize, static_cast<uint32_t>(imageSize));
  bmp::PutU32(p + bmp::kOffFileSize, static_cast<uint32_t>(fileSize));
  // The output area is zero already: the buffer grew with zero bytes and
  // only the gap before the pixel data was written. A top-down file starts
  // at the last row of the area and steps backwards.
  int64_t firstRow = 0;
  int64_t rowStep = stride;
  if (fields.Height < 0) {
    bmp::PutI32(p + bmp::kOffHeight, static_cast<int32_t>(height));
    firstRow = (height - 1) * stride;
    rowStep = -stride;
  }
  DecodeRle8(data.data(), length, p + fields.PixelOffset, imageSize, firstRow, rowStep);
}

TIndexedImage* LoadBmpFromStream(TZtStream& stream, TIndexedImage* image) {
  auto header = std::make_unique<TZtMemoryStream>();
  header->SetSize(bmp::kHeadersSize);
  const int64_t n = stream.Read(header->Data(), bmp::kHeadersSize);
  const uint8_t* p = header->Data();

  uint32_t compression = 100;  // no usable info header
  if (n == bmp::kHeadersSize && bmp::GetU32(p + bmp::kOffInfoSize) >= 40) {
    compression = bmp::GetU32(p + bmp::kOffCompression);
  } else {
    header->SetSize(n);
  }
  const bool uncompressed = compression == kBiRgb || compression == kBiBitFields;

  std::unique_ptr<TZtStream> reader;
  if (uncompressed && bmp::GetI32(p + bmp::kOffHeight) < 0) {
    FlipTopDownBmp(*header, stream);
    header->Seek(0, kSeekBegin);
    reader = std::move(header);
  } else if (compression == kBiRle8 && bmp::GetU16(p + bmp::kOffBitsPerPixel) == 8) {
    ExpandRle8Bmp(*header, stream);
    header->Seek(0, kSeekBegin);
    reader = std::move(header);
  } else {
    if (uncompressed) {
      // Many writers leave the image-size field 0 or wrong; the reader
      // trusts it for bit-field files, so it is recomputed. A size beyond
      // 32 bits is left 0, which the reader recomputes and rejects.
      const int64_t width = bmp::GetI32(p + bmp::kOffWidth);
      const int64_t height = bmp::GetI32(p + bmp::kOffHeight);
      const int64_t stride = bmp::Stride(width, bmp::GetU16(p + bmp::kOffBitsPerPixel));
      // Checked by division: stride x height can pass 64 bits.
      const bool fits = width >= 0 && (height == 0 || stride <= bmp::kMaxFileSize / height);
      bmp::PutU32(header->Data() + bmp::kOffImageSize,
                  fits ? static_cast<uint32_t>(stride * height) : 0);
    }
    const int64_t blockStart = stream.Position() - n;
    TZtMemoryStream* replacement = header.release();
    // The replace stream owns the header buffer from here on.
    auto overlay =
        std::make_unique<TZtReplaceStream>(&stream, replacement, false, true, blockStart);
    overlay->Seek(-n, kSeekCurrent);
    reader = std::move(overlay);
  }

  if (image != nullptr) {
    image->LoadBmp(*reader);
    return image;
  }
  // A new image is the caller's once it has loaded; a failed load frees it.
  auto created = std::make_unique<TIndexedImage>();
  created->LoadBmp(*reader);
  return created.release();
}

TIndexedImage* LoadBmpFromFile(const std::string& path, TIndexedImage* image) {
  TZtFileStream file(path, kGenericRead, 0, kOpenExisting);
  return LoadBmpFromStream(file, image);
}

uint8_t PixelFormatOf(const TIndexedImage& image) {
  if (image.DeviceDependent()) return kPfDevice;
  const bool bitFields = image.Compression() == kBiBitFields;
  switch (image.BitsPerPixel()) {
    case 1:
      return kPf1Bit;
    case 4:
      return kPf4Bit;
    case 8:
      return kPf8Bit;
    case 16:
      if (!bitFields) return kPf15Bit;
      if (image.ColourMasks()[1] == 0x7E0) return kPf16Bit;
      if (image.ColourMasks()[1] == 0x3E0) return kPf15Bit;
      return kPfCustom;
    case 24:
      return kPf24Bit;
    case 32:
      return bitFields ? kPfCustom : kPf32Bit;
    default:
      return kPfCustom;
  }
}
