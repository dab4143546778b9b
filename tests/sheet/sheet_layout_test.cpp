// Sheet layout: cells in a grid or on shelves, never overlapping, kept
// `padding` apart and from the edges, inside the sheet.
#include <gtest/gtest.h>

#include <random>

#include "format/Error.h"
#include "sheet/SheetLayout.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

bool HasPixels(const TCellSize& cell) {
  return cell.Width > 0 && cell.Height > 0;
}

// Every cell with pixels lies inside the sheet at least `padding` from its
// edges and from every other such cell; cells without pixels lie inside.
void ExpectSoundLayout(const std::vector<TCellSize>& cells, const TSheetLayout& layout,
                       int32_t padding) {
  ASSERT_EQ(layout.Places.size(), cells.size());
  ASSERT_GE(layout.Width, 1);
  ASSERT_GE(layout.Height, 1);
  for (size_t i = 0; i < cells.size(); ++i) {
    const TCellPlace& a = layout.Places[i];
    if (!HasPixels(cells[i])) {
      EXPECT_LE(a.X, layout.Width);
      EXPECT_LE(a.Y, layout.Height);
      continue;
    }
    EXPECT_GE(a.X, padding) << i;
    EXPECT_GE(a.Y, padding) << i;
    EXPECT_LE(a.X + cells[i].Width + padding, layout.Width) << i;
    EXPECT_LE(a.Y + cells[i].Height + padding, layout.Height) << i;
    for (size_t j = i + 1; j < cells.size(); ++j) {
      if (!HasPixels(cells[j])) continue;
      const TCellPlace& b = layout.Places[j];
      const bool apart =
          a.X + cells[i].Width + padding <= b.X || b.X + cells[j].Width + padding <= a.X ||
          a.Y + cells[i].Height + padding <= b.Y || b.Y + cells[j].Height + padding <= a.Y;
      EXPECT_TRUE(apart) << "cells " << i << " and " << j << " overlap";
    }
  }
}

TEST(SheetLayout, GridPutsCellIAtTheCornerOfSlotI) {
  const std::vector<TCellSize> cells = {{4, 3}, {2, 5}, {0, 0}, {6, 1}, {1, 1}};
  TLayoutOptions options;
  options.Columns = 2;
  options.Padding = 1;
  const TSheetLayout layout = LayOutCells(cells, options);
  // Slots of 6 x 5, two per row, one pixel apart and from the edges.
  EXPECT_EQ(layout.Width, 1 + 2 * 7);
  EXPECT_EQ(layout.Height, 1 + 3 * 6);
  const std::vector<std::pair<int32_t, int32_t>> expected = {
      {1, 1}, {8, 1}, {1, 7}, {8, 7}, {1, 13}};
  for (size_t i = 0; i < cells.size(); ++i) {
    EXPECT_EQ(layout.Places[i].X, expected[i].first) << i;
    EXPECT_EQ(layout.Places[i].Y, expected[i].second) << i;
  }
  ExpectSoundLayout(cells, layout, 1);

  // Without a column count the grid comes out about square: 5 slots of
  // 6 x 5 in 2 columns and 3 rows (12 x 15) rather than 3 x 2 (18 x 10).
  options.Columns = 0;
  options.Padding = 0;
  const TSheetLayout square = LayOutCells(cells, options);
  EXPECT_EQ(square.Width, 12);
  EXPECT_EQ(square.Height, 15);
  // More columns than cells: one row.
  options.Columns = 9;
  EXPECT_EQ(LayOutCells(cells, options).Width, 30);
  EXPECT_EQ(LayOutCells(cells, options).Height, 5);
}

TEST(SheetLayout, ShelvesPutTallCellsFirstAndEmptyCellsAtTheOrigin) {
  const std::vector<TCellSize> cells = {{3, 2}, {5, 0}, {2, 4}, {3, 3}};
  TLayoutOptions options;
  options.Arrangement = TSheetArrangement::Packed;
  const TSheetLayout layout = LayOutCells(cells, options);
  // Area 23: shelves 5 wide; 2x4 and 3x3 on the first, 3x2 on the second.
  EXPECT_EQ(layout.Places[2].X, 0);
  EXPECT_EQ(layout.Places[2].Y, 0);
  EXPECT_EQ(layout.Places[3].X, 2);
  EXPECT_EQ(layout.Places[3].Y, 0);
  EXPECT_EQ(layout.Places[0].X, 0);
  EXPECT_EQ(layout.Places[0].Y, 4);
  EXPECT_EQ(layout.Places[1].X, 0);
  EXPECT_EQ(layout.Places[1].Y, 0);
  EXPECT_EQ(layout.Width, 5);
  EXPECT_EQ(layout.Height, 6);
  ExpectSoundLayout(cells, layout, 0);
}

TEST(SheetLayout, NoCellsOverlapInAnyArrangement) {
  std::mt19937 random(77);
  for (int round = 0; round < 60; ++round) {
    std::vector<TCellSize> cells(1 + random() % 40);
    for (TCellSize& cell : cells) {
      cell.Width = int32_t(random() % 5 == 0 ? 0 : 1 + random() % 40);
      cell.Height = int32_t(random() % 7 == 0 ? 0 : 1 + random() % (random() % 4 == 0 ? 90 : 12));
    }
    for (const TSheetArrangement arrangement :
         {TSheetArrangement::Grid, TSheetArrangement::Packed}) {
      TLayoutOptions options;
      options.Arrangement = arrangement;
      options.Padding = int32_t(random() % 4);
      options.Columns = int32_t(random() % 6);
      SCOPED_TRACE(testing::Message() << "round " << round << " packed "
                                      << (arrangement == TSheetArrangement::Packed));
      ExpectSoundLayout(cells, LayOutCells(cells, options), options.Padding);
    }
  }
}

TEST(SheetLayout, SheetsWithoutPixelsAreOnePixelAndLimitsAreChecked) {
  for (const TSheetArrangement arrangement : {TSheetArrangement::Grid, TSheetArrangement::Packed}) {
    TLayoutOptions options;
    options.Arrangement = arrangement;
    options.Padding = 3;
    const TSheetLayout none = LayOutCells({}, options);
    EXPECT_EQ(none.Width, 1);
    EXPECT_EQ(none.Height, 1);
    const std::vector<TCellSize> empty = {{0, 0}, {7, 0}, {0, 9}};
    const TSheetLayout layout = LayOutCells(empty, options);
    EXPECT_EQ(layout.Width, 1);
    EXPECT_EQ(layout.Height, 1);
    for (const TCellPlace& place : layout.Places) {
      EXPECT_EQ(place.X, 0);
      EXPECT_EQ(place.Y, 0);
    }
    // 65535 cells of 65535 x 65535 do not make a sheet.
    const std::vector<TCellSize> huge(65535, TCellSize{65535, 65535});
    EXPECT_EQ(MessageOf([&] { LayOutCells(huge, options); }).rfind("Sheet too large: ", 0), 0u);
  }
  TLayoutOptions options;
  options.Padding = -1;
  EXPECT_EQ(MessageOf([&] { LayOutCells({}, options); }), "The padding cannot be negative");
  options.Padding = 0;
  options.Columns = -2;
  EXPECT_EQ(MessageOf([&] { LayOutCells({}, options); }),
            "The number of columns cannot be negative");
  options.Columns = 0;
  options.Padding = 1 << 21;
  EXPECT_EQ(MessageOf([&] { LayOutCells({}, options); }), "Sheet too large: 2097152 x 1");
}

}  // namespace
