// Bitmap files: the two functions that reach the file system, loading a
// file into an image and saving one.
#include "image/BmpFile.h"

#include <vector>

#include "fs/Files.h"

namespace icnkit {

void WriteBmpFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes) {
  // The file is built whole in memory: a new bitmap is written in place
  // (removed again if that fails), an existing one replaced whole or not at
  // all, so no failed save leaves a half-written bitmap under its name.
  SaveNewOrReplaceFile(fs, path, bytes);
}

void TIndexedImage::SaveBmpFile(TFileSystem& fs, const std::string& path) const {
  WriteBmpFile(fs, path, BmpBytes());
}

TIndexedImage LoadBmpFromFile(TFileSystem& fs, const std::string& path) {
  const std::vector<uint8_t> bytes = LoadNamedFile(fs, path);
  TIndexedImage image;
  image.LoadBmp(bytes);
  return image;
}

}  // namespace icnkit
