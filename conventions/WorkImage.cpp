#include "conventions/WorkImage.h"

#include <array>
#include <memory>

#include "conventions/PaletteColours.h"
#include "fs/Files.h"
#include "image/BmpFile.h"

namespace icnkit {

namespace {

// One image per thread, generation and source: the icnkit tool unpacks
// archives of both generations, several at a time; the unpackers use one.
using TWorkImageSlots = std::array<std::unique_ptr<TIndexedImage>, 4>;

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

size_t SlotOf(TIcnGeneration generation, TPaletteSource source) {
  return (generation == TIcnGeneration::H1 ? 0 : 1) + (source == TPaletteSource::Bitmap ? 0 : 2);
}

const char* PaletteName(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? "H1Palette.bmp" : "H2Palette.bmp";
}

}  // namespace

std::string PalettePath(TFileSystem& fs, TIcnGeneration generation) {
  const std::string folder = ApplicationFolder(fs);
  const std::string besideExecutable = folder + PaletteName(generation);
  const std::string installed = folder + "../share/icnkit/" + PaletteName(generation);
  for (const std::string& path : {besideExecutable, installed}) {
    if (fs.Stat(path).Kind != TPathKind::Missing) return path;
  }
  throw TZtError("Palette not found: \"" + besideExecutable + "\", \"" + installed + "\"");
}

TIndexedImage& WorkImage(TFileSystem& fs, TIcnGeneration generation, TPaletteSource source) {
  std::unique_ptr<TIndexedImage>& slot = WorkImageSlots()[SlotOf(generation, source)];
  if (!slot && source == TPaletteSource::BuiltIn) {
    slot = std::make_unique<TIndexedImage>();
    slot->Create8Bit(0, 0, PaletteColours(generation));
  }
  if (!slot) {
    const std::string path = PalettePath(fs, generation);
    auto loaded = std::make_unique<TIndexedImage>(LoadBmpFromFile(fs, path));
    // Every bitmap written carries the palette's colour table and one byte
    // per pixel: a palette of another format (a 24-bit file has no table)
    // would give bitmaps whose pixels read back as something else.
    if (!loaded->Is8Bit()) throw TZtError("Wrong bitmap format: " + path);
    slot = std::move(loaded);
  }
  return *slot;
}

void DiscardWorkImage() {
  delete tWorkImageSlots;
  tWorkImageSlots = nullptr;
}

}  // namespace icnkit
