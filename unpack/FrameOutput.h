// How the exports write a frame: the unpackers' BMP files by default; the
// icnkit tool plugs another file format and another palette in here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "conventions/WorkImage.h"
#include "fs/FileSystem.h"
#include "image/IndexedImage.h"

namespace icnkit {

struct TFrameOutput {
  // The extension of the frame files, dot included ("0000.bmp").
  std::string Extension = ".bmp";
  // The file's bytes for a drawn frame; null: the BMP writer.
  std::function<std::vector<uint8_t>(const TIndexedImage& image)> Encode;
  // The colours the files carry instead of the palette bitmap's (empty: its
  // own). Frames are still drawn with the palette bitmap, so the background
  // stays index 0 whatever the colours.
  std::vector<TRgbQuad> Palette;
  // The work image frames are drawn with (conventions/WorkImage.h): the
  // palette bitmap, or the colours compiled in (icnkit, the library).
  TPaletteSource Drawing = TPaletteSource::Bitmap;
  // setup.ini's [Position] also names the generation ("Generation=H1" or
  // "H2", after Y), which icnkit's packs read; the unpackers write no such
  // key (the legacy packers ignore it).
  bool GenerationKey = false;
  // Told after each frame written: the frames done of the archive's.
  std::function<void(size_t done, size_t total)> Progress;
};

// Writes image as the file at path the way output says (a new file in
// place, an existing one replaced whole). The default output is exactly
// image.SaveBmpFile(fs, path).
void SaveFrame(TFileSystem& fs, TIndexedImage& image, const TFrameOutput& output,
               const std::string& path);

}  // namespace icnkit
