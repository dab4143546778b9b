// Archive assembly from a frame folder: every bitmap of the folder becomes
// one frame, trimmed to its non-transparent pixels, positioned by the
// folder's common origin ("setup.ini", section "Position") and flagged by its
// "Bits" value, then encoded with the generation's codec. The archive is
// assembled in memory and saved in one piece at the end.
#pragma once

#include <string>

#include "fs/FileSystem.h"
#include "pack/FrameInput.h"
#include "pack/PackerGeneration.h"

namespace icnkit {

// Packs the bitmaps of folder (ending in a path delimiter), or the frame
// files input names and reads, in the natural order of their names into the
// archive at archivePath, which is created or
// replaced whole; every failure leaves an existing archive untouched.
// frameFile names the bitmap being packed (folder + name), for the error
// message: set before each bitmap is loaded, cleared after the last frame,
// so a failure while a bitmap is packed leaves it naming that bitmap.
// Raises TZtError with:
//   "Too many frames: %d"    more than 65535 bitmaps (before any is read)
//   "Not a regular file: %s" a frame's name (folder + name) on a pipe,
//                            device or socket (before any is read)
//   "Wrong bitmap format"    a bitmap that is not 8 bits per pixel
//   "Frame out of range"     a trimmed frame wider or higher than 65535, or
//                            a Left/Top outside -32768..32767
//   the loader's messages for an unreadable bitmap, and
//   "Cannot create file "%s". %s" (absolute path) when the archive cannot be
//   created, with frameFile cleared.
void PackFrameFolder(TFileSystem& fs, const TPackerGeneration& generation,
                     const std::string& archivePath, const std::string& folder,
                     std::string& frameFile, const TFrameInput& input = {});

}  // namespace icnkit
