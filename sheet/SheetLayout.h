// Sheet layout: where each frame's cell lies on a sprite sheet.
//
// Cells never overlap, and every cell with pixels keeps `padding`
// transparent pixels to its neighbours and to the sheet's edges.
//
// - Grid: cell i at the top-left corner of slot i; slots of the largest
//   cell's size, `columns` per row (0: as many as make the sheet roughly
//   square). With cells all of one size (the untrimmed sheet) this is the
//   fixed grid that loaders of uniform frames read.
// - Packed: shelves. Cells are taken tallest first (ties in frame order)
//   and placed left to right on the current shelf, a new shelf started when
//   the next cell would pass the sheet's width, which is chosen so that the
//   sheet comes out roughly square. A cell without pixels (width or height
//   0) takes no room: it lies at (0, 0).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace icnkit {

struct TCellSize {
  int32_t Width = 0;
  int32_t Height = 0;
};

struct TCellPlace {
  int32_t X = 0;
  int32_t Y = 0;
};

enum class TSheetArrangement { Grid, Packed };

struct TLayoutOptions {
  TSheetArrangement Arrangement = TSheetArrangement::Grid;
  int32_t Columns = 0;  // Grid only; 0: about the square root of the count
  int32_t Padding = 0;
};

// The sheet is at least 1 x 1 (a PNG has pixels), also for no cells or
// only empty ones.
struct TSheetLayout {
  int32_t Width = 1;
  int32_t Height = 1;
  std::vector<TCellPlace> Places;  // one per cell, in the cells' order
};

// The largest sheet side; TZtError "Sheet too large: W x H" beyond it, or
// when the sheet would hold more than kMaxSheetPixels pixels.
constexpr int64_t kMaxSheetSide = 1 << 20;
constexpr int64_t kMaxSheetPixels = int64_t{1} << 31;

// Throws TZtError for a negative padding or column count.
TSheetLayout LayOutCells(std::span<const TCellSize> cells, const TLayoutOptions& options);

}  // namespace icnkit
