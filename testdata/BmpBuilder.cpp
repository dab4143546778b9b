#include "testdata/BmpBuilder.h"

#include <algorithm>

namespace icnkit {

namespace testdata {
namespace {

void PutLe(TBytes& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

TBytes MakeBmp(const TBmpSpec& spec) {
  const bool core = spec.InfoSize == 12;
  const uint32_t entrySize = core ? 3 : 4;
  const uint32_t tableSize = static_cast<uint32_t>(spec.ColourTable.size()) * entrySize;
  const uint32_t headers = 14 + spec.InfoSize + static_cast<uint32_t>(spec.Masks.size() * 4);
  const uint32_t offset = spec.PixelOffset.value_or(headers + tableSize);
  TBytes out;
  out.push_back('B');
  out.push_back('M');
  PutLe(out, 0, 4);  // file size, set below
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  PutLe(out, spec.InfoSize, 4);
  if (core) {
    PutLe(out, static_cast<uint32_t>(spec.Width), 2);
    PutLe(out, static_cast<uint32_t>(spec.Height), 2);
    PutLe(out, spec.Planes, 2);
    PutLe(out, spec.BitsPerPixel, 2);
  } else {
    PutLe(out, static_cast<uint32_t>(spec.Width), 4);
    PutLe(out, static_cast<uint32_t>(spec.Height), 4);
    PutLe(out, spec.Planes, 2);
    PutLe(out, spec.BitsPerPixel, 2);
    PutLe(out, spec.Compression, 4);
    PutLe(out, spec.ImageSizeField.value_or(static_cast<uint32_t>(spec.PixelData.size())), 4);
    PutLe(out, 0, 8);
    PutLe(out, spec.ColoursUsed.value_or(static_cast<uint32_t>(spec.ColourTable.size())), 4);
    PutLe(out, 0, 4);
  }
  out.resize(14 + spec.InfoSize, 0);
  for (uint32_t mask : spec.Masks) PutLe(out, mask, 4);
  for (const TRgbQuad& c : spec.ColourTable) {
    out.push_back(c.Blue);
    out.push_back(c.Green);
    out.push_back(c.Red);
    if (!core) out.push_back(0);
  }
  if (out.size() < offset) out.resize(offset, 0);
  out.insert(out.end(), spec.PixelData.begin(), spec.PixelData.end());
  PutU32(out, 2, spec.FileSizeField.value_or(static_cast<uint32_t>(out.size())));
  return out;
}

TBytes BmpFile(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t colours,
               const TBytes& pixelData) {
  return MakeBmp({.Width = width,
                  .Height = height,
                  .BitsPerPixel = bitsPerPixel,
                  .ColourTable = GreyColours(static_cast<int>(colours)),
                  .PixelData = pixelData});
}

TBytes Bmp8(int32_t width, int32_t height, const TBytes& pixels, int colours) {
  TIndexedImage image;
  image.Create8Bit(width, height, GreyColours(colours));
  for (int32_t y = 0; y < height; ++y) {
    const auto row = pixels.begin() + static_cast<ptrdiff_t>(y) * width;
    std::copy(row, row + width, image.RowAddress(y));
  }
  return image.BmpBytes();
}

TBytes Bmp24(int32_t width, int32_t height) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  return BmpFile(width, height, 24, 0, TBytes(stride * static_cast<size_t>(height), 0xFF));
}

std::vector<TRgbQuad> GreyColours(int n) {
  std::vector<TRgbQuad> table;
  for (int i = 0; i < n; ++i) {
    const uint8_t grey = static_cast<uint8_t>(i);
    table.push_back(TRgbQuad{grey, grey, grey, 0});
  }
  return table;
}

std::vector<TRgbQuad> DistinctColours(int n) {
  std::vector<TRgbQuad> table;
  table.reserve(static_cast<size_t>(std::max(n, 0)));
  for (int i = 0; i < n; ++i) {
    table.push_back(TRgbQuad{static_cast<uint8_t>(i / 2), static_cast<uint8_t>(255 - i),
                             static_cast<uint8_t>(i), 0});
  }
  return table;
}

TBytes BottomUpData(const std::vector<TBytes>& rows) {
  TBytes data;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    data.insert(data.end(), row->begin(), row->end());
    data.resize((data.size() + 3) & ~size_t{3}, 0);
  }
  return data;
}

std::vector<TBytes> RowsOf(const TIndexedImage& image) {
  std::vector<TBytes> rows;
  for (int32_t r = 0; r < image.Height(); ++r) {
    const uint8_t* row = image.RowAddress(r);
    rows.emplace_back(row, row + image.Width());
  }
  return rows;
}

}  // namespace testdata

}  // namespace icnkit
