#include "sheet/SheetPack.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "format/Error.h"
#include "format/Generation.h"
#include "image/TrimBox.h"

namespace icnkit {

namespace {

// The smallest rectangle that holds both (edges within 32 bits).
TRectangle Hull(const TRectangle& a, const TRectangle& b) {
  const int32_t left = std::min(a.Left, b.Left);
  const int32_t top = std::min(a.Top, b.Top);
  return {left, top, static_cast<int32_t>(std::max(a.Right(), b.Right()) - left),
          static_cast<int32_t>(std::max(a.Bottom(), b.Bottom()) - top)};
}

std::string FrameLabel(size_t index, const TSheetFrame& frame) {
  return ZtFormat("frame %zu (\"%s\")", index, frame.Filename.c_str());
}

std::string CellText(const TRectangle& cell) {
  return ZtFormat("%d, %d, %d x %d", cell.Left, cell.Top, cell.Width, cell.Height);
}

// The first pixel other than 0 that no cell covers: rows top to bottom,
// each row's stretches between the cells that cross it.
bool FindStrayPixel(const TIndexedImage& image, const std::vector<TRectangle>& cells,
                    int32_t& strayX, int32_t& strayY) {
  std::vector<size_t> byTop;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (!cells[i].Empty()) byTop.push_back(i);
  }
  std::stable_sort(byTop.begin(), byTop.end(),
                   [&](size_t a, size_t b) { return cells[a].Top < cells[b].Top; });
  std::vector<size_t> active;
  size_t next = 0;
  const int32_t width = image.Width();
  for (int32_t y = 0; y < image.Height(); ++y) {
    bool changed = false;
    const auto ended = [&](size_t i) { return cells[i].Bottom() <= y; };
    if (std::erase_if(active, ended) > 0) changed = true;
    for (; next < byTop.size() && cells[byTop[next]].Top <= y; ++next) {
      if (!ended(byTop[next])) active.push_back(byTop[next]);
      changed = true;
    }
    if (changed) {
      std::sort(active.begin(), active.end(),
                [&](size_t a, size_t b) { return cells[a].Left < cells[b].Left; });
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
      if (scan(std::min<int64_t>(cells[i].Left, width))) break;
      x = std::max(x, cells[i].Right());
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
size_t NearestCell(const std::vector<TRectangle>& cells, int64_t x, int64_t y) {
  size_t best = cells.size();
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].Empty()) continue;
    const int64_t dx = std::max<int64_t>({0, cells[i].Left - x, x - (cells[i].Right() - 1)});
    const int64_t dy = std::max<int64_t>({0, cells[i].Top - y, y - (cells[i].Bottom() - 1)});
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
  if (!image.Is8Bit()) throw TZtError("Wrong bitmap format");
  const TIcnGenerationInfo& format = GenerationInfo(sheet.Generation);
  TIcnArchiveWriter writer(sheet.Generation, sheet.Frames.size());
  std::vector<TRectangle> cells;
  TIndexedImage cellImage;  // one frame's cell, reshaped for every frame
  for (size_t i = 0; i < sheet.Frames.size(); ++i) {
    const TSheetFrame& frame = sheet.Frames[i];
    const TRectangle& cell = frame.Frame;
    cells.push_back(cell);
    if (cell.Right() > sheet.Width || cell.Bottom() > sheet.Height) {
      throw TZtError(ZtFormat("%s: its cell (%s) lies outside the %d x %d sheet",
                              FrameLabel(i, frame).c_str(), CellText(cell).c_str(), sheet.Width,
                              sheet.Height));
    }
    // The cell's top-left corner in the archive's coordinates: the sheet's
    // position and the cell's place on the union may add up past 32 bits.
    const int64_t cellLeft = int64_t{sheet.X} + frame.SpriteSource.Left;
    const int64_t cellTop = int64_t{sheet.Y} + frame.SpriteSource.Top;
    // The stored rectangle, which must lie inside the cell, in the cell's
    // coordinates (so within 32 bits); an empty one plays no part.
    const TRectangle stored{frame.Left, frame.Top, frame.Width, frame.Height};
    TRectangle box;
    if (!stored.Empty()) {
      const int64_t left = stored.Left - cellLeft;
      const int64_t top = stored.Top - cellTop;
      if (left < 0 || top < 0 || left + stored.Width > cell.Width ||
          top + stored.Height > cell.Height) {
        throw TZtError(FrameLabel(i, frame) + ": its rectangle does not lie inside its cell");
      }
      box = {static_cast<int32_t>(left), static_cast<int32_t>(top), stored.Width, stored.Height};
    }

    cellImage.Create8Bit(cell.Width, cell.Height, {});
    // A cell 0 pixels wide has rows but no row storage to copy into.
    for (int32_t r = 0; !cell.Empty() && r < cell.Height; ++r) {
      std::memcpy(cellImage.RowAddress(r), image.RowAddress(cell.Top + r) + cell.Left,
                  size_t(cell.Width));
    }
    const TRectangle painted = TrimBox(cellImage);
    if (!painted.Empty() && !box.Contains(painted)) {
      box = stored.Empty() ? painted : Hull(box, painted);
    }

    // A record without pixels before or after keeps its fields as they were.
    std::optional<TIcnFrame> record =
        box.Empty() ? RecordOfBox(stored, 0, 0) : RecordOfBox(box, cellLeft, cellTop);
    if (!record) throw TZtError(FrameLabel(i, frame) + ": Frame out of range");
    record->Bits = format.StoresBits ? static_cast<uint8_t>(frame.Bits) : 0;
    writer.BeginFrame(i, *record);
    const uint8_t* source = nullptr;
    ptrdiff_t rowStep = 0;
    if (record->Width > 0 && record->Height > 0) {
      source = cellImage.RowAddress(box.Top) + box.Left;
      if (cellImage.Height() > 1) rowStep = cellImage.RowAddress(1) - cellImage.RowAddress(0);
    }
    format.Encode(writer.Buffer(), source, rowStep, record->Width, record->Height,
                  (frame.Bits & kFillOnlyBit) != 0);
  }

  int32_t strayX = 0;
  int32_t strayY = 0;
  if (FindStrayPixel(image, cells, strayX, strayY)) {
    const size_t nearest = NearestCell(cells, strayX, strayY);
    std::string message = ZtFormat("%s: pixel (%d, %d) lies outside every frame's cell",
                                   imageName.c_str(), strayX, strayY);
    if (nearest < cells.size()) {
      message += ": " + FrameLabel(nearest, sheet.Frames[nearest]) +
                 " was painted past its cell (" + CellText(cells[nearest]) + ")";
    }
    throw TZtError(message);
  }
  return std::move(writer.Finish());
}

}  // namespace icnkit
