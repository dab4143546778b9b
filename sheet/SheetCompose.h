// The sprite sheet of an archive: one 8-bit image with the archive's
// palette and every frame in a cell of its own (SheetLayout.h), and its
// description (SheetJson.h). Trimmed, each cell is the frame's own
// rectangle; untrimmed, each cell is the union rectangle with the frame
// drawn at its place. Index 0 is transparent everywhere: between cells and
// around each frame. Fill-only frames show their fill index (5) where
// their pixels are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/IndexedImage.h"
#include "sheet/SheetFrames.h"
#include "sheet/SheetJson.h"
#include "sheet/SheetLayout.h"

namespace icnkit {

struct TSheetOptions {
  TLayoutOptions Layout;
  bool Untrimmed = false;
  int32_t Duration = 100;  // milliseconds per frame
  std::string Image;       // the image's file name, for meta.image
  std::string Version;     // icnkit's version, for meta.version
};

struct TSheet {
  TIndexedImage Image;
  TSheetDescription Description;
};

// The frame's name in sheets and galleries: its index as the frame folder
// numbers it, without the extension ("0007", "10000").
std::string SheetFrameName(size_t index);

// "Sheet too large: W x H" (SheetLayout.h) and the image's "Bitmap too
// large" when the sheet cannot be made.
TSheet ComposeSheet(const TArchiveFrames& frames, const std::vector<TRgbQuad>& palette,
                    const TSheetOptions& options);

}  // namespace icnkit
