// Building BMP files byte by byte for the image and loader tests.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "image/IndexedImage.h"

// A BMP with a 40-byte info header (or any other info size, whose extra
// bytes are 0). Every field that is not set is derived from the others.
struct TBmpSpec {
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t Planes = 1;
  uint16_t BitsPerPixel = 8;
  uint32_t Compression = kBiRgb;
  uint32_t InfoSize = 40;
  std::optional<uint32_t> ImageSizeField;  // default: the pixel data's size
  std::optional<uint32_t> FileSizeField;   // default: the file's size
  std::optional<uint32_t> PixelOffset;     // default: end of the colour table
  std::optional<uint32_t> ColoursUsed;     // default: the table's size
  std::vector<TRgbQuad> ColourTable;
  std::vector<uint32_t> Masks;  // written after a 40-byte header when set
  std::vector<uint8_t> PixelData;
};

inline void PutLe(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline std::vector<uint8_t> MakeBmp(const TBmpSpec& spec) {
  const uint32_t tableSize = static_cast<uint32_t>(spec.ColourTable.size() * 4);
  const uint32_t headers = 14 + spec.InfoSize + static_cast<uint32_t>(spec.Masks.size() * 4);
  const uint32_t offset = spec.PixelOffset.value_or(headers + tableSize);
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  PutLe(out, 0, 4);  // file size, set below
  PutLe(out, 0, 4);
  PutLe(out, offset, 4);
  PutLe(out, spec.InfoSize, 4);
  PutLe(out, static_cast<uint32_t>(spec.Width), 4);
  PutLe(out, static_cast<uint32_t>(spec.Height), 4);
  PutLe(out, spec.Planes, 2);
  PutLe(out, spec.BitsPerPixel, 2);
  PutLe(out, spec.Compression, 4);
  PutLe(out, spec.ImageSizeField.value_or(static_cast<uint32_t>(spec.PixelData.size())), 4);
  PutLe(out, 0, 8);
  PutLe(out, spec.ColoursUsed.value_or(static_cast<uint32_t>(spec.ColourTable.size())), 4);
  PutLe(out, 0, 4);
  out.resize(14 + spec.InfoSize, 0);
  for (uint32_t mask : spec.Masks) PutLe(out, mask, 4);
  for (const TRgbQuad& c : spec.ColourTable) {
    out.push_back(c.Blue);
    out.push_back(c.Green);
    out.push_back(c.Red);
    out.push_back(0);
  }
  if (out.size() < offset) out.resize(offset, 0);
  out.insert(out.end(), spec.PixelData.begin(), spec.PixelData.end());
  const uint32_t fileSize = spec.FileSizeField.value_or(static_cast<uint32_t>(out.size()));
  for (int i = 0; i < 4; ++i) out[2 + i] = static_cast<uint8_t>(fileSize >> (8 * i));
  return out;
}

// A colour table of n distinct colours: entry i is (red i, green 255 - i,
// blue i / 2).
inline std::vector<TRgbQuad> DistinctColours(int n) {
  std::vector<TRgbQuad> table;
  for (int i = 0; i < n; ++i) {
    table.push_back(TRgbQuad{static_cast<uint8_t>(i / 2), static_cast<uint8_t>(255 - i),
                             static_cast<uint8_t>(i), 0});
  }
  return table;
}

// The rows of an 8-bit image from the top, without pad bytes.
inline std::vector<std::vector<uint8_t>> RowsOf(const TIndexedImage& image) {
  std::vector<std::vector<uint8_t>> rows;
  for (int32_t r = 0; r < image.Height(); ++r) {
    const uint8_t* row = image.RowAddress(r);
    rows.emplace_back(row, row + image.Width());
  }
  return rows;
}

// Stored (bottom-up, padded) 8-bit pixel data of rows given from the top.
inline std::vector<uint8_t> BottomUpData(const std::vector<std::vector<uint8_t>>& rows) {
  std::vector<uint8_t> data;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    data.insert(data.end(), row->begin(), row->end());
    data.resize((data.size() + 3) & ~size_t{3}, 0);
  }
  return data;
}
