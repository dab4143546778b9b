#include "unpack/WorkImage.h"

#include <array>
#include <memory>
#include <span>

#include "fs/Files.h"
#include "image/BmpFile.h"

namespace {

// One image per thread and generation: the icnkit tool unpacks archives of
// both generations, several at a time; the unpackers use one.
using TWorkImageSlots = std::array<std::unique_ptr<TIndexedImage>, 2>;

// A plain pointer, not a thread_local object with a destructor: with
// MinGW's emulated thread-local storage a thread's block can be freed
// before its thread_local destructors run, and the destructor then frees
// garbage as the thread ends. DiscardWorkImage() frees the images; a thread
// that ends without calling it would leak them.
thread_local TWorkImageSlots* tWorkImageSlots = nullptr;

TWorkImageSlots& WorkImageSlots() {
  if (tWorkImageSlots == nullptr) tWorkImageSlots = new TWorkImageSlots();
  return *tWorkImageSlots;
}

std::unique_ptr<TIndexedImage>& WorkImageSlot(const TUnpackerGeneration& generation) {
  return WorkImageSlots()[generation.Format.Generation == TIcnGeneration::H1 ? 0 : 1];
}

}  // namespace

std::string PalettePath(TFileSystem& fs, const TUnpackerGeneration& generation) {
  const std::string folder = ApplicationFolder(fs);
  const std::string besideExecutable = folder + generation.PaletteName;
  const std::string installed = folder + "../share/icnkit/" + generation.PaletteName;
  for (const std::string& path : {besideExecutable, installed}) {
    if (fs.Stat(path).Kind != TPathKind::Missing) return path;
  }
  throw TZtError("Palette not found: \"" + besideExecutable + "\", \"" + installed + "\"");
}

TIndexedImage& WorkImage(TFileSystem& fs, const TUnpackerGeneration& generation) {
  std::unique_ptr<TIndexedImage>& slot = WorkImageSlot(generation);
  if (!slot) {
    const std::string path = PalettePath(fs, generation);
    std::unique_ptr<TIndexedImage> loaded(LoadBmpFromFile(fs, path, nullptr));
    // Every bitmap written carries the palette's colour table and one byte
    // per pixel: a palette of another format (a 24-bit file has no table)
    // would give bitmaps whose pixels read back as something else.
    if (PixelFormatOf(*loaded) != kPf8Bit) throw TZtError("Wrong bitmap format: " + path);
    slot = std::move(loaded);
  }
  return *slot;
}

void DiscardWorkImage() {
  delete tWorkImageSlots;
  tWorkImageSlots = nullptr;
}

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

void DrawFrame(const TUnpackerGeneration& generation, TIndexedImage& image, TArchiveImage archive,
               const TIcnFrame& record, bool fillOnly, int32_t column, int32_t row) {
  image.Fill(kFillColour);
  // A frame of width or height 0 has a stream that paints nothing; skipping
  // it keeps the decoder from being handed a rectangle outside the rows.
  if (record.Width == 0 || record.Height == 0) return;
  const TFrameRaster target = FrameRasterAt(image, column, row, record.Width, record.Height);
  std::span<const uint8_t> stream = FrameStream(archive, record);
  if (stream.size() > MaxStreamLength(record)) stream = stream.first(MaxStreamLength(record));
  generation.Format.Decode(stream, target, fillOnly);
}
