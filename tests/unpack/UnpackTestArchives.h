// Helpers for the unpacker tests: reading back the bitmaps they write.
// Archives are built by testdata/ (BuildArchive, SolidFrame, EncodeFrame).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/BmpFile.h"
#include "image/IndexedImage.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace unpack_testing {

using namespace testdata;

inline TIndexedImage LoadBitmap(const std::string& path) {
  return LoadBmpFromFile(NativeFs(), path);
}

inline uint8_t PixelAt(const TIndexedImage& image, int32_t column, int32_t row) {
  return image.RowAddress(row)[column];
}

}  // namespace unpack_testing
