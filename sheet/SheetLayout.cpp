#include "sheet/SheetLayout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "format/Error.h"

namespace icnkit {

namespace {

bool HasPixels(const TCellSize& cell) {
  return cell.Width > 0 && cell.Height > 0;
}

// The smallest n with n * n >= value.
int64_t CeilSqrt(int64_t value) {
  int64_t n = static_cast<int64_t>(std::sqrt(static_cast<double>(value)));
  while (n * n < value) ++n;
  while (n > 0 && (n - 1) * (n - 1) >= value) --n;
  return n;
}

// Sides in 64 bits, checked before anything is placed at them.
void CheckSheetSize(int64_t width, int64_t height) {
  if (width > kMaxSheetSide || height > kMaxSheetSide || width * height > kMaxSheetPixels) {
    throw TZtError(ZtFormat("Sheet too large: %lld x %lld", static_cast<long long>(width),
                            static_cast<long long>(height)));
  }
}

TSheetLayout LayOutGrid(std::span<const TCellSize> cells, int64_t columns, int64_t padding) {
  TSheetLayout layout;
  layout.Places.resize(cells.size());
  int64_t slotWidth = 0;
  int64_t slotHeight = 0;
  for (const TCellSize& cell : cells) {
    if (!HasPixels(cell)) continue;
    slotWidth = std::max<int64_t>(slotWidth, cell.Width);
    slotHeight = std::max<int64_t>(slotHeight, cell.Height);
  }
  if (slotWidth == 0) return layout;  // nothing to draw: every cell at (0, 0)

  const int64_t count = static_cast<int64_t>(cells.size());
  if (columns == 0) {
    // The count whose sheet has the shortest longer side (then the
    // smallest area): as square as the slots allow.
    int64_t best = 0;
    for (int64_t c = 1; c <= count; ++c) {
      const int64_t w = padding + c * (slotWidth + padding);
      const int64_t h = padding + (count + c - 1) / c * (slotHeight + padding);
      const int64_t bw = padding + best * (slotWidth + padding);
      const int64_t bh =
          best == 0 ? 0 : padding + (count + best - 1) / best * (slotHeight + padding);
      if (best == 0 || std::max(w, h) < std::max(bw, bh) ||
          (std::max(w, h) == std::max(bw, bh) && w * h < bw * bh)) {
        best = c;
      }
    }
    columns = best;
  }
  columns = std::clamp<int64_t>(columns, 1, count);
  const int64_t rows = (count + columns - 1) / columns;
  const int64_t width = padding + columns * (slotWidth + padding);
  const int64_t height = padding + rows * (slotHeight + padding);
  CheckSheetSize(width, height);
  for (int64_t i = 0; i < count; ++i) {
    layout.Places[size_t(i)].X =
        static_cast<int32_t>(padding + (i % columns) * (slotWidth + padding));
    layout.Places[size_t(i)].Y =
        static_cast<int32_t>(padding + (i / columns) * (slotHeight + padding));
  }
  layout.Width = static_cast<int32_t>(width);
  layout.Height = static_cast<int32_t>(height);
  return layout;
}

TSheetLayout LayOutShelves(std::span<const TCellSize> cells, int64_t padding) {
  TSheetLayout layout;
  layout.Places.resize(cells.size());
  std::vector<size_t> order;
  int64_t widest = 0;
  int64_t area = 0;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (!HasPixels(cells[i])) continue;
    order.push_back(i);
    widest = std::max<int64_t>(widest, cells[i].Width);
    area += (int64_t{cells[i].Width} + padding) * (int64_t{cells[i].Height} + padding);
  }
  if (order.empty()) return layout;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return cells[a].Height > cells[b].Height; });

  const int64_t target = std::max(widest + 2 * padding, CeilSqrt(area) + padding);
  int64_t x = padding;
  int64_t y = padding;
  int64_t shelfHeight = 0;
  int64_t right = 0;
  for (const size_t i : order) {
    const int64_t w = cells[i].Width;
    if (x > padding && x + w + padding > target) {
      y += shelfHeight + padding;
      x = padding;
      shelfHeight = 0;
    }
    // Checked as it grows: the next place must still be a 32-bit value.
    CheckSheetSize(x + w + padding, y + cells[i].Height + padding);
    layout.Places[i] = {static_cast<int32_t>(x), static_cast<int32_t>(y)};
    x += w + padding;
    right = std::max(right, x);
    shelfHeight = std::max<int64_t>(shelfHeight, cells[i].Height);
  }
  const int64_t height = y + shelfHeight + padding;
  CheckSheetSize(right, height);
  layout.Width = static_cast<int32_t>(right);
  layout.Height = static_cast<int32_t>(height);
  return layout;
}

}  // namespace

TSheetLayout LayOutCells(std::span<const TCellSize> cells, const TLayoutOptions& options) {
  if (options.Padding < 0) throw TZtError("The padding cannot be negative");
  if (options.Columns < 0) throw TZtError("The number of columns cannot be negative");
  // Bounded here, the sums and products below stay far inside 64 bits.
  CheckSheetSize(options.Padding, 1);
  for (const TCellSize& cell : cells) {
    if (cell.Width < 0 || cell.Height < 0) throw TZtError("A cell cannot have a negative size");
    CheckSheetSize(cell.Width, cell.Height);
  }
  return options.Arrangement == TSheetArrangement::Packed
             ? LayOutShelves(cells, options.Padding)
             : LayOutGrid(cells, options.Columns, options.Padding);
}

}  // namespace icnkit
