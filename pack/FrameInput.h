// Which files of a frame folder are frames and how they are read: the
// packers' BMP files by default; the icnkit tool plugs other image formats
// in here. Whatever the format, a frame reaches the encoder as an 8-bit
// TIndexedImage, and its "Bits" key in setup.ini is the file's own name.
#pragma once

#include <functional>
#include <string>

#include "fs/FileSystem.h"
#include "image/IndexedImage.h"

namespace icnkit {

struct TFrameInput {
  // Whether the folder's file of this name is a frame; null: "*.bmp" in any
  // letter case.
  std::function<bool(const std::string& name)> IsFrame;
  // Reads the frame file at path into image; null: LoadBmpFromFile. Raises
  // TZtError for a file that is no frame.
  std::function<void(TFileSystem& fs, const std::string& path, TIndexedImage& image)> Load;
};

}  // namespace icnkit
