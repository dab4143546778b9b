// icnkit_make_palettes OUTPUT_FOLDER: writes H1Palette.bmp and H2Palette.bmp,
// 16 x 16 pictures with one pixel per palette entry, which the unpackers load
// as the colour table of every bitmap they write.
#include <string>

#include "cli/GeneratorMain.h"
#include "conventions/PaletteColours.h"
#include "image/IndexedImage.h"

using namespace icnkit;

namespace {

void WritePalette(TFileSystem& fs, TIcnGeneration generation, const std::string& path) {
  TIndexedImage image;
  image.Create8Bit(16, 16, PaletteColours(generation));
  for (int32_t row = 0; row < 16; ++row) {
    uint8_t* pixels = image.RowAddress(row);
    for (int32_t column = 0; column < 16; ++column) {
      pixels[column] = static_cast<uint8_t>(row * 16 + column);
    }
  }
  image.SaveBmpFile(fs, path);
}

}  // namespace

int main(int argc, char** argv) {
  return RunGenerator(argc, argv, "icnkit_make_palettes",
                      [](TFileSystem& fs, const std::string& folder) {
                        WritePalette(fs, TIcnGeneration::H1, folder + "H1Palette.bmp");
                        WritePalette(fs, TIcnGeneration::H2, folder + "H2Palette.bmp");
                      });
}
