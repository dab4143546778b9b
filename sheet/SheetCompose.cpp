#include "sheet/SheetCompose.h"

#include "format/Error.h"
#include "image/FrameDrawing.h"

namespace icnkit {

std::string SheetFrameName(size_t index) {
  return ZtFormat("%.4d", static_cast<int>(index));
}

TSheet ComposeSheet(const TArchiveFrames& frames, const std::vector<TRgbQuad>& palette,
                    const TSheetOptions& options) {
  const TRectangle& bounds = frames.Union;
  const bool unionHasPixels = bounds.Width > 0 && bounds.Height > 0;
  std::vector<TCellSize> cells;
  cells.reserve(frames.Frames.size());
  for (const TFrameFacts& facts : frames.Frames) {
    if (options.Untrimmed) {
      cells.push_back(unionHasPixels ? TCellSize{bounds.Width, bounds.Height} : TCellSize{});
    } else {
      cells.push_back(facts.HasPixels() ? TCellSize{facts.Record.Width, facts.Record.Height}
                                        : TCellSize{});
    }
  }
  const TSheetLayout layout = LayOutCells(cells, options.Layout);

  TSheet sheet;
  sheet.Image.Create8Bit(layout.Width, layout.Height, palette);
  TSheetDescription& description = sheet.Description;
  description.Version = options.Version;
  description.Image = options.Image;
  description.Width = layout.Width;
  description.Height = layout.Height;
  description.Generation = frames.Format->Generation;
  description.Archive = frames.ArchiveName;
  description.X = bounds.Left;
  description.Y = bounds.Top;
  description.Frames.reserve(frames.Frames.size());
  for (size_t i = 0; i < frames.Frames.size(); ++i) {
    const TIcnFrame& record = frames.Frames[i].Record;
    const TCellPlace& place = layout.Places[i];
    const int32_t left = record.Left - bounds.Left;  // the frame's place on the union
    const int32_t top = record.Top - bounds.Top;
    TSheetFrame frame;
    frame.Filename = SheetFrameName(i);
    frame.Frame = {place.X, place.Y, cells[i].Width, cells[i].Height};
    frame.SpriteSource = options.Untrimmed ? TRectangle{0, 0, cells[i].Width, cells[i].Height}
                                           : TRectangle{left, top, cells[i].Width, cells[i].Height};
    frame.Trimmed = cells[i].Width != bounds.Width || cells[i].Height != bounds.Height;
    frame.SourceWidth = bounds.Width;
    frame.SourceHeight = bounds.Height;
    frame.Duration = options.Duration;
    frame.Left = record.Left;
    frame.Top = record.Top;
    frame.Width = record.Width;
    frame.Height = record.Height;
    frame.Bits = frames.Frames[i].Bits;
    description.Frames.push_back(frame);

    if (!frames.Frames[i].HasPixels()) continue;
    const int32_t column = place.X + (options.Untrimmed ? left : 0);
    const int32_t row = place.Y + (options.Untrimmed ? top : 0);
    DecodeFrameInto(frames, i,
                    FrameRasterAt(sheet.Image, column, row, record.Width, record.Height));
  }
  return sheet;
}

}  // namespace icnkit
