// Bitmap files: the two functions that reach the file system, loading a
// file into an image, saving one, and the pixel format of a loaded image.
#include "image/BmpFile.h"

#include <memory>

#include "fs/Files.h"

std::vector<uint8_t> ReadBmpFile(TFileSystem& fs, const std::string& path) {
  return LoadNamedFile(fs, path);
}

void WriteBmpFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes) {
  // The file is built whole in memory: a new bitmap is written in place
  // (removed again if that fails), an existing one replaced whole or not at
  // all, so no failed save leaves a half-written bitmap under its name.
  SaveNewOrReplaceFile(fs, path, bytes);
}

void TIndexedImage::SaveBmpFile(TFileSystem& fs, const std::string& path) const {
  WriteBmpFile(fs, path, BmpBytes());
}

TIndexedImage* LoadBmpFromFile(TFileSystem& fs, const std::string& path, TIndexedImage* image) {
  const std::vector<uint8_t> bytes = ReadBmpFile(fs, path);
  if (image != nullptr) {
    image->LoadBmp(bytes);
    return image;
  }
  // A new image is the caller's once it has loaded; a failed load frees it.
  auto created = std::make_unique<TIndexedImage>();
  created->LoadBmp(bytes);
  return created.release();
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
