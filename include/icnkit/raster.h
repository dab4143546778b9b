// Rasters of palette indices: one byte a pixel, index 0 transparent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "icnkit/export.h"

namespace icnkit {

// A rectangle of pixels; left and top may be negative.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Rect&) const = default;
};

// Pixels in the caller's memory: pixel (x, y) is data[y * stride + x].
struct RasterView {
  uint8_t* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  ptrdiff_t stride = 0;  // bytes from the start of one row to the next
};

// The same, read only.
struct ConstRasterView {
  const uint8_t* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  ptrdiff_t stride = 0;

  ConstRasterView() = default;
  ConstRasterView(const uint8_t* pixels, int32_t w, int32_t h, ptrdiff_t rowStride)
      : data(pixels), width(w), height(h), stride(rowStride) {}
  // Every view can be read: no explicit.
  ConstRasterView(const RasterView& view)
      : data(view.data), width(view.width), height(view.height), stride(view.stride) {}
};

// The pixel bound of every image icnkit makes: 2^28 pixels, or the
// environment's ICNKIT_MAX_PIXELS (read once).
ICNKIT_API uint64_t MaxPixels();

// A raster that owns its pixels: width x height indices, top row first,
// each row width bytes long.
struct Raster {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;

  Raster() = default;
  // width x height pixels of index 0. Throws Error (InvalidInput) "Bitmap
  // too large: W x H" beyond the pixel bound of every image icnkit makes
  // (2^28 pixels, or the environment's ICNKIT_MAX_PIXELS), "Bitmap image is
  // not valid" for a negative size.
  ICNKIT_API Raster(int32_t w, int32_t h);

  uint8_t& At(int32_t x, int32_t y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  uint8_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  RasterView View() { return {pixels.data(), width, height, width}; }
  ConstRasterView View() const { return {pixels.data(), width, height, width}; }
};

}  // namespace icnkit
