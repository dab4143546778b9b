// Bitmap files at the edge of the image library: loading a file into an
// image, and the pixel format of a loaded image. The bytes are parsed by
// ParseBmpHeader and TIndexedImage::LoadBmp; only ReadBmpFile and
// WriteBmpFile (BmpFile.cpp) touch the file system.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fs/FileSystem.h"
#include "image/IndexedImage.h"

// Pixel-format codes answered by PixelFormatOf.
enum : uint8_t {
  kPfDevice = 0,
  kPf1Bit = 1,
  kPf4Bit = 2,
  kPf8Bit = 3,
  kPf15Bit = 4,
  kPf16Bit = 5,
  kPf24Bit = 6,
  kPf32Bit = 7,
  kPfCustom = 8,
};

// The whole file at path. "Cannot open file "%s". %s" (full path, system
// text) when it cannot be opened.
std::vector<uint8_t> ReadBmpFile(TFileSystem& fs, const std::string& path);
// Writes bytes as the file at path (SaveNewOrReplaceFile): a new file in
// place, removed again on a failure; an existing one replaced whole or not
// at all.
void WriteBmpFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes);

// Loads the file at path into image, or into a new image when image is null
// (returned; owned by the caller). A failed load leaves image unchanged.
TIndexedImage* LoadBmpFromFile(TFileSystem& fs, const std::string& path, TIndexedImage* image);

uint8_t PixelFormatOf(const TIndexedImage& image);
