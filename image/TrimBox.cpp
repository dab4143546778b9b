#include "image/TrimBox.h"

#include <cstring>

#include "image/IndexedImage.h"

namespace icnkit {

namespace {

// Scanning eight pixels at a time: a frame is mostly a few long runs, and a
// fully transparent row is common.
constexpr int32_t kWord = sizeof(uint64_t);

uint64_t LoadWord(const uint8_t* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// The first x in [from, to) whose pixel is not 0, or to when there is none.
int32_t FirstOpaque(const uint8_t* row, int32_t from, int32_t to) {
  int32_t x = from;
  while (x + kWord <= to && LoadWord(row + x) == 0) x += kWord;
  while (x < to && row[x] == 0) ++x;
  return x;
}

// The last x in [from, to) whose pixel is not 0, or from - 1 when there is none.
int32_t LastOpaque(const uint8_t* row, int32_t from, int32_t to) {
  int32_t x = to;
  while (x - kWord >= from && LoadWord(row + x - kWord) == 0) x -= kWord;
  while (x > from && row[x - 1] == 0) --x;
  return x - 1;
}

}  // namespace

TRectangle TrimBox(const TIndexedImage& image) {
  if (image.Width() <= 0 || image.Height() <= 0 || !image.HasPixels()) return {};
  const ptrdiff_t step = image.Height() > 1 ? image.RowAddress(1) - image.RowAddress(0) : 0;
  return TrimBox(image.RowAddress(0), step, image.Width(), image.Height());
}

TRectangle TrimBox(const uint8_t* topLeft, ptrdiff_t rowStep, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return {};
  const auto rowAddress = [&](int32_t y) { return topLeft + y * rowStep; };

  int32_t top = 0;
  while (top < height && FirstOpaque(rowAddress(top), 0, width) == width) ++top;
  if (top == height) return {};
  int32_t bottom = height - 1;  // stops at top at the latest
  while (FirstOpaque(rowAddress(bottom), 0, width) == width) --bottom;

  // Between top and bottom each row only needs looking at where it could
  // widen the box: left of the leftmost and right of the rightmost pixel
  // found so far. The two stretches never overlap, so a row costs at most
  // its width.
  int32_t left = width;
  int32_t right = -1;  // inclusive until the end
  for (int32_t y = top; y <= bottom; ++y) {
    const uint8_t* row = rowAddress(y);
    const int32_t first = FirstOpaque(row, 0, left);
    if (first < left) left = first;
    const int32_t last = LastOpaque(row, right + 1 > left ? right + 1 : left, width);
    if (last > right) right = last;
  }
  return {left, top, right + 1 - left, bottom + 1 - top};
}

}  // namespace icnkit
