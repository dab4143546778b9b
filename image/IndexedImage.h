// TIndexedImage: an 8-bit palettised raster with a colour table of up to 256
// colours, the one data type every frame passes through.
//
// Storage is bottom-up like a BMP file: row r (row 0 is the top of the
// picture) lies at offset (height - 1 - r) * stride, each row padded to a
// multiple of 4 bytes with zero bytes. RowAddress(1) - RowAddress(0) is thus
// -stride, the row step the frame codecs are given.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fs/FileSystem.h"
#include "image/BmpHeader.h"
#include "image/ZtZeroedBuffer.h"

namespace icnkit {

class TIndexedImage {
 public:
  TIndexedImage() = default;

  // Replaces the whole content with the BMP file `file` (BmpReader.cpp):
  // uncompressed rows of any depth, bottom-up or top-down, and RLE8 expanded
  // to 8 bits; other compressed data gives a device-dependent image without
  // rows. Messages: "Stream read error" (an uncompressed file shorter than
  // its rows), "Bitmap image is not valid", "Bitmap too large: %d x %d"
  // (BmpHeader.h). A failed load leaves the image unchanged.
  void LoadBmp(std::span<const uint8_t> file);
  // New size and the same colour table; pixels unspecified (in fact 0), pad
  // bytes 0. The result is always 8 bits per pixel, the depth the frame
  // codecs write (one byte per pixel); an 8-bit image keeps its depth.
  // Raises "Bitmap too large: %d x %d", before allocating, when the image
  // has more pixels than bmp::MaxPixels() or its BMP would not fit the
  // format's 32-bit file size, and when it cannot be allocated.
  void Reshape(int32_t width, int32_t height);
  // Sets every pixel to the index of colour (0x00BBGGRR): the lowest exact
  // entry, else the nearest by squared RGB distance (lowest index on ties).
  // Only 8-bit images can be filled ("Wrong bitmap format" otherwise).
  void Fill(uint32_t colour);
  // Address of row r (0 = top); "Scan line index out of range" otherwise.
  uint8_t* RowAddress(int32_t r);
  const uint8_t* RowAddress(int32_t r) const;
  // The image as a BMP file (exact layout in BmpWriter.cpp); an image
  // without pixels gives no bytes.
  std::vector<uint8_t> BmpBytes() const;
  // Writes BmpBytes() as the file at path, whole or not at all (BmpFile.cpp).
  void SaveBmpFile(TFileSystem& fs, const std::string& path) const;

  int32_t Width() const { return Width_; }
  int32_t Height() const { return Height_; }
  uint16_t BitsPerPixel() const { return BitsPerPixel_; }
  int32_t Stride() const;
  const std::vector<TRgbQuad>& ColourTable() const { return ColourTable_; }
  std::vector<TRgbQuad>& ColourTable() { return ColourTable_; }
  bool HasPixels() const { return !Pixels_.Empty(); }
  // Read from compressed pixel data (Compression() tells which) or from an
  // empty file (Compression() is kBiRgb).
  bool DeviceDependent() const { return DeviceDependent_; }
  uint32_t Compression() const { return Compression_; }
  // One byte per pixel, a palette index: what the frame codecs read and
  // write, and the only kind of bitmap the packers take.
  bool Is8Bit() const { return BitsPerPixel_ == 8 && !DeviceDependent_; }

  // For tests and tools that build images directly: an 8-bit image with the
  // given colour table (at most 256 entries), pixels 0.
  void Create8Bit(int32_t width, int32_t height, std::vector<TRgbQuad> colourTable);
  // Index of the colour-table entry Fill chooses for colour (0 when the
  // table is empty).
  int NearestColourIndex(uint32_t colour) const;

 private:
  static TZtZeroedBuffer AllocatePixels(int64_t width, int64_t height, size_t bytes);

  int32_t Width_ = 0;
  int32_t Height_ = 0;
  uint16_t BitsPerPixel_ = 8;
  uint32_t Compression_ = kBiRgb;
  bool DeviceDependent_ = false;
  std::vector<TRgbQuad> ColourTable_;
  TZtZeroedBuffer Pixels_;
};

}  // namespace icnkit
