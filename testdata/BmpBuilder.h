// The one BMP builder of the tests and fuzz seeds. Plain valid 8-bit files
// come from image/'s own writer (Bmp8); everything else - other depths,
// top-down and RLE rows, long, short or core info headers, fields that lie -
// is written byte by byte from a TBmpSpec (MakeBmp), so the loader is tested
// against files it did not make.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "image/IndexedImage.h"
#include "testdata/Bytes.h"

namespace icnkit {

namespace testdata {

// A BMP with a 40-byte info header, or any other info size, whose extra
// bytes are 0; 12 is the old core header (16-bit width and height, 3-byte
// colour entries). Every field that is not set is derived from the others.
struct TBmpSpec {
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t Planes = 1;
  uint16_t BitsPerPixel = 8;
  uint32_t Compression = kBiRgb;
  uint32_t InfoSize = 40;
  std::optional<uint32_t> ImageSizeField = {};  // default: the pixel data's size
  std::optional<uint32_t> FileSizeField = {};   // default: the file's size
  std::optional<uint32_t> PixelOffset = {};     // default: end of the colour table
  std::optional<uint32_t> ColoursUsed = {};     // default: the table's size
  std::vector<TRgbQuad> ColourTable = {};
  std::vector<uint32_t> Masks = {};  // written after a 40-byte header when set
  TBytes PixelData = {};
};

TBytes MakeBmp(const TBmpSpec& spec);

// MakeBmp's shorthand: a 40-byte header, a grey table of `colours` entries
// (entry i is (i, i, i)) and the stored pixel data as given.
TBytes BmpFile(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t colours,
               const TBytes& pixelData);

// The image writer's file of an 8-bit width x height image of pixels, given
// row by row from the top, with a grey table of `colours` entries.
TBytes Bmp8(int32_t width, int32_t height, const TBytes& pixels, int colours = 256);

// A 24-bit bitmap, every pixel white.
TBytes Bmp24(int32_t width, int32_t height);

// A colour table of n grey entries: entry i is (i, i, i).
std::vector<TRgbQuad> GreyColours(int n);
// A colour table of n distinct colours: entry i is (red i, green 255 - i,
// blue i / 2).
std::vector<TRgbQuad> DistinctColours(int n);

// Stored (bottom-up, padded) 8-bit pixel data of rows given from the top.
TBytes BottomUpData(const std::vector<TBytes>& rows);

// The rows of an 8-bit image from the top, without pad bytes.
std::vector<TBytes> RowsOf(const TIndexedImage& image);

}  // namespace testdata

}  // namespace icnkit
