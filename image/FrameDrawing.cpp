#include "image/FrameDrawing.h"

namespace icnkit {

TFrameRaster FrameRasterAt(TIndexedImage& image, int32_t column, int32_t row, int32_t width,
                           int32_t height) {
  TFrameRaster raster;
  // Row 0 is the top of the picture; the storage is bottom-up, so the step
  // from one row to the one below is negative.
  uint8_t* const row0 = image.RowAddress(0);
  const ptrdiff_t step = image.Height() > 1 ? image.RowAddress(1) - row0 : 0;
  raster.TopLeft = image.RowAddress(row) + column;
  raster.RowStep = step;
  raster.Width = width;
  raster.Height = height;
  return raster;
}

void DrawFrame(const TIcnGenerationInfo& format, TIndexedImage& image, TArchiveImage archive,
               const TIcnFrame& record, bool fillOnly, int32_t column, int32_t row) {
  image.Fill(kFillColour);
  // A frame of width or height 0 has a stream that paints nothing; skipping
  // it keeps the decoder from being handed a rectangle outside the rows.
  if (record.Width == 0 || record.Height == 0) return;
  DecodeFrame(format, archive, record, fillOnly,
              FrameRasterAt(image, column, row, record.Width, record.Height));
}

}  // namespace icnkit
