// ZtGraphics: loading BMP files into indexed images.
//
// The loader looks at the first 54 bytes and prepares three kinds of file
// before the image's own reader sees them: top-down files are flipped into
// bottom-up ones, RLE8 files are expanded into uncompressed ones, and for
// other uncompressed files the image-size field is recomputed and shown to
// the reader through a TZtReplaceStream, so the pixel data is never copied.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "support/IndexedImage.h"
#include "support/ZtStreams.h"

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

// Opens path (read, no sharing, open existing) and loads it into image, or
// into a new image when image is null (returned; owned by the caller).
// "Cannot open file "%s". %s" with the full path when it cannot be opened.
TIndexedImage* LoadBmpFromFile(const std::string& path, TIndexedImage* image);
// Loads the BMP that begins at the stream's position.
TIndexedImage* LoadBmpFromStream(TZtStream& stream, TIndexedImage* image);
// header holds the first 54 bytes; each reads the rest of the file from
// source and leaves a whole uncompressed bottom-up BMP in header.
void FlipTopDownBmp(TZtMemoryStream& header, TZtStream& source);
void ExpandRle8Bmp(TZtMemoryStream& header, TZtStream& source);

uint8_t PixelFormatOf(const TIndexedImage& image);
