// Bitmap test helpers: an image loaded from a file's bytes, and the message
// loading them gives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/IndexedImage.h"
#include "tests/TestSupport.h"

using namespace icnkit;

inline std::unique_ptr<TIndexedImage> LoadBmpBytes(const std::vector<uint8_t>& bytes) {
  auto image = std::make_unique<TIndexedImage>();
  image->LoadBmp(bytes);
  return image;
}

inline std::string LoadBmpMessage(const std::vector<uint8_t>& bytes) {
  return MessageOf([&] { LoadBmpBytes(bytes); });
}
