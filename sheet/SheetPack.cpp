#include "sheet/SheetPack.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "format/Error.h"
#include "format/Generation.h"
#include "image/BmpFile.h"
#include "image/TrimBox.h"

namespace {

// Rectangles in the archive's coordinates, edges exclusive, 64 bits.
struct TBox {
  int64_t Left = 0;
  int64_t Top = 0;
  int64_t Right = 0;
  int64_t Bottom = 0;
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(const TBox& other) const {
    return other.Left >= Left && other.Top >= Top && other.Right <= Right && other.Bottom <= Bottom;
  }
};

TBox Hull(const TBox& a, const TBox& b) {
  if (a.Empty()) return b;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

std::string FrameLabel(size_t index, const TSheetFrame& frame) {
  return ZtFormat("frame %zu (\"%s\")", index, frame.Filename.c_str());
}

std::string CellText(const TSheetRect& cell) {
  return ZtFormat("%d, %d, %d x %d", cell.X, cell.Y, cell.W, cell.H);
}

// The record of the box, or "Frame out of range" (the packers' message)
// when a field would not hold it.
TIcnFrame RecordOf(const TBox& box, size_t index, const TSheetFrame& frame) {
  constexpr int64_t kMinPosition = std::numeric_limits<int16_t>::min();
  constexpr int64_t kMaxPosition = std::numeric_limits<int16_t>::max();
  constexpr int64_t kMaxSize = std::numeric_limits<uint16_t>::max();
  const int64_t width = box.Right - box.Left;
  const int64_t height = box.Bottom - box.Top;
  if (box.Left < kMinPosition || box.Left > kMaxPosition || box.Top < kMinPosition ||
      box.Top > kMaxPosition || width > kMaxSize || height > kMaxSize) {
    throw TZtError(FrameLabel(index, frame) + ": Frame out of range");
  }
  TIcnFrame record;
  record.Left = static_cast<int16_t>(box.Left);
  record.Top = static_cast<int16_t>(box.Top);
  record.Width = static_cast<uint16_t>(width);
  record.Height = static_cast<uint16_t>(height);
  return record;
}

bool CellHasPixels(const TSheetRect& cell) {
  return cell.W > 0 && cell.H > 0;
}

// The first pixel other than 0 that no cell covers: rows top to bottom,
// each row's stretches between the cells that cross it.
bool FindStrayPixel(const TIndexedImage& image, const std::vector<TSheetRect>& cells,
                    int32_t& strayX, int32_t& strayY) {
  std::vector<size_t> byTop;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (CellHasPixels(cells[i])) byTop.push_back(i);
  }
  std::stable_sort(byTop.begin(), byTop.end(),
                   [&](size_t a, size_t b) { return cells[a].Y < cells[b].Y; });
  std::vector<size_t> active;
  size_t next = 0;
  const int32_t width = image.Width();
  for (int32_t y = 0; y < image.Height(); ++y) {
    bool changed = false;
    const auto ended = [&](size_t i) { return int64_t{cells[i].Y} + cells[i].H <= y; };
    if (std::erase_if(active, ended) > 0) changed = true;
    for (; next < byTop.size() && cells[byTop[next]].Y <= y; ++next) {
      if (!ended(byTop[next])) active.push_back(byTop[next]);
      changed = true;
    }
    if (changed) {
      std::sort(active.begin(), active.end(),
                [&](size_t a, size_t b) { return cells[a].X < cells[b].X; });
    }
    const uint8_t* row = image.RowAddress(y);
    int64_t x = 0;
    const auto scan = [&](int64_t to) {
      for (; x < to; ++x) {
        if (row[x] != 0) return true;
      }
      return false;
    };
    for (const size_t i : active) {
      if (scan(std::min<int64_t>(cells[i].X, width))) break;
      x = std::max<int64_t>(x, int64_t{cells[i].X} + cells[i].W);
    }
    if (x < width && scan(width)) {
      strayX = static_cast<int32_t>(x);
      strayY = y;
      return true;
    }
  }
  return false;
}

// The cell nearest to (x, y) among those with pixels; cells.size() if none.
size_t NearestCell(const std::vector<TSheetRect>& cells, int64_t x, int64_t y) {
  size_t best = cells.size();
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (size_t i = 0; i < cells.size(); ++i) {
    if (!CellHasPixels(cells[i])) continue;
    const int64_t right = int64_t{cells[i].X} + cells[i].W - 1;
    const int64_t bottom = int64_t{cells[i].Y} + cells[i].H - 1;
    const int64_t dx = std::max<int64_t>({0, cells[i].X - x, x - right});
    const int64_t dy = std::max<int64_t>({0, cells[i].Y - y, y - bottom});
    if (dx * dx + dy * dy < bestDistance) {
      bestDistance = dx * dx + dy * dy;
      best = i;
    }
  }
  return best;
}

}  // namespace

std::vector<uint8_t> PackSheet(const TSheetDescription& sheet, const TIndexedImage& image,
                               const std::string& imageName) {
  if (image.Width() != sheet.Width || image.Height() != sheet.Height) {
    throw TZtError(ZtFormat("%s: the image is %d x %d pixels, but the sheet's JSON says %d x %d",
                            imageName.c_str(), image.Width(), image.Height(), sheet.Width,
                            sheet.Height));
  }
  if (PixelFormatOf(image) != kPf8Bit) throw TZtError("Wrong bitmap format");
  const TIcnGenerationInfo& format = GenerationInfo(sheet.Generation);
  TIcnArchiveWriter writer(sheet.Generation, sheet.Frames.size());
  std::vector<TSheetRect> cells;
  TIndexedImage cellImage;  // one frame's cell, reshaped for every frame
  for (size_t i = 0; i < sheet.Frames.size(); ++i) {
    const TSheetFrame& frame = sheet.Frames[i];
    const TSheetRect& cell = frame.Frame;
    cells.push_back(cell);
    if (int64_t{cell.X} + cell.W > sheet.Width || int64_t{cell.Y} + cell.H > sheet.Height) {
      throw TZtError(ZtFormat("%s: its cell (%s) lies outside the %d x %d sheet",
                              FrameLabel(i, frame).c_str(), CellText(cell).c_str(), sheet.Width,
                              sheet.Height));
    }
    // The cell's top-left corner in the archive's coordinates.
    const int64_t cellLeft = int64_t{sheet.X} + frame.SpriteSource.X;
    const int64_t cellTop = int64_t{sheet.Y} + frame.SpriteSource.Y;
    const TBox cellBox{cellLeft, cellTop, cellLeft + cell.W, cellTop + cell.H};
    const TBox stored{frame.Left, frame.Top, int64_t{frame.Left} + frame.Width,
                      int64_t{frame.Top} + frame.Height};
    if (!stored.Empty() && !cellBox.Contains(stored)) {
      throw TZtError(FrameLabel(i, frame) + ": its rectangle does not lie inside its cell");
    }

    TBox box = stored;  // an empty record keeps its fields as they were
    cellImage.Create8Bit(cell.W, cell.H, {});
    // A cell 0 pixels wide has rows but no row storage to copy into.
    for (int32_t r = 0; CellHasPixels(cell) && r < cell.H; ++r) {
      std::memcpy(cellImage.RowAddress(r), image.RowAddress(cell.Y + r) + cell.X, size_t(cell.W));
    }
    const TTrimBox painted = TrimBox(cellImage);
    const TBox paintedBox{cellLeft + painted.Left, cellTop + painted.Top, cellLeft + painted.Right,
                          cellTop + painted.Bottom};
    if (!paintedBox.Empty() && !stored.Contains(paintedBox)) box = Hull(stored, paintedBox);

    TIcnFrame record = RecordOf(box, i, frame);
    record.Bits = format.StoresBits ? static_cast<uint8_t>(frame.Bits) : 0;
    writer.BeginFrame(i, record);
    const uint8_t* source = nullptr;
    ptrdiff_t rowStep = 0;
    if (record.Width > 0 && record.Height > 0) {
      source = cellImage.RowAddress(static_cast<int32_t>(box.Top - cellTop)) + (box.Left - cellLeft);
      if (cellImage.Height() > 1) rowStep = cellImage.RowAddress(1) - cellImage.RowAddress(0);
    }
    format.Encode(writer.Buffer(), source, rowStep, record.Width, record.Height,
                  (frame.Bits & kFillOnlyBit) != 0);
  }

  int32_t strayX = 0;
  int32_t strayY = 0;
  if (FindStrayPixel(image, cells, strayX, strayY)) {
    const size_t nearest = NearestCell(cells, strayX, strayY);
    std::string message = ZtFormat("%s: pixel (%d, %d) lies outside every frame's cell",
                                   imageName.c_str(), strayX, strayY);
    if (nearest < cells.size()) {
      message += ": " + FrameLabel(nearest, sheet.Frames[nearest]) + " was painted past its cell (" +
                 CellText(cells[nearest]) + ")";
    }
    throw TZtError(message);
  }
  return std::move(writer.Finish());
}
