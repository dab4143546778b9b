// icnkit pack --sheet: an archive from a sheet's JSON and its image
// (PackSheetImage of folders/FolderWork.h), the image decoded against the
// generation's palette (or --palette) as a PNG frame is.
#pragma once

#include <string>

#include "folders/FrameFiles.h"
#include "kit/Kit.h"

namespace icnkit {

// Packs the sheet described by jsonPath (its image beside it, as meta.image
// names it) into output, or beside the JSON as meta.Archive names it, and
// says so in kit.Summary.
void PackFromSheet(TKit& kit, const std::string& jsonPath, const std::string& output,
                   TPackPalettes& palettes, bool remap);

}  // namespace icnkit
