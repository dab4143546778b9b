// Bitmap files at the edge of the image library: loading a file into an
// image and writing one. The bytes are parsed by ParseBmpHeader and
// TIndexedImage::LoadBmp; only LoadBmpFromFile and WriteBmpFile
// (BmpFile.cpp) touch the file system.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "fs/FileSystem.h"
#include "image/IndexedImage.h"

namespace icnkit {

// Writes bytes as the file at path (SaveNewOrReplaceFile): a new file in
// place, removed again on a failure; an existing one replaced whole or not
// at all.
void WriteBmpFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes);

// The image of the bitmap file at path. "Cannot open file "%s". %s" (full
// path, system text) when it cannot be opened, and the loader's messages
// (TIndexedImage::LoadBmp).
TIndexedImage LoadBmpFromFile(TFileSystem& fs, const std::string& path);

}  // namespace icnkit
