#include "pack/TrimmedFrame.h"

#include <optional>

#include "format/Error.h"
#include "image/TrimBox.h"

namespace icnkit {

bool IsEmptyFrameImage(const TIndexedImage& image) {
  return image.DeviceDependent() && image.Compression() == kBiRgb && image.Width() == 0 &&
         image.Height() == 0 && !image.HasPixels();
}

TTrimmedFrame TrimFrame(const TIcnGenerationInfo& format, const uint8_t* topLeft, ptrdiff_t rowStep,
                        int32_t width, int32_t height, int64_t x, int64_t y, int32_t bits) {
  const TRectangle box =
      topLeft == nullptr ? TRectangle{} : TrimBox(topLeft, rowStep, width, height);
  std::optional<TIcnFrame> record = RecordOfBox(box, x, y);
  if (!record) throw TZtError("Frame out of range");
  record->Bits = format.StoresBits ? static_cast<uint8_t>(bits & 0xFF) : 0;
  TTrimmedFrame frame;
  frame.Record = *record;
  frame.FillOnly = (bits & kFillOnlyBit) != 0;
  if (record->Height > 0) {
    frame.Source = topLeft + box.Top * rowStep + box.Left;
    if (height > 1) frame.RowStep = rowStep;
  }
  return frame;
}

}  // namespace icnkit
