// Frame folder export: one archive into a folder of equally sized bitmaps.
//
// The folder (the archive's path + ".cadres" + delimiter) receives frame i as
// "%.4d.bmp" (0000.bmp, ..., 9999.bmp, 10000.bmp), every bitmap the size of
// the union rectangle of all frames with the frame drawn at its own place,
// and "setup.ini":
//
//   [Position]
//   X=<smallest Left>
//   Y=<smallest Top>
//   Generation=<H1 or H2>   (icnkit's frame folders only: TFrameOutput)
//   [Bits]
//   0000.bmp=<the frame's Bits value>
//   ...
//
// The packer recovers each frame's position from where its pixels lie. The
// folder is never cleared: files and keys of the same names are replaced.
// An unpack that fails removes the folders it made (the frame folder, those
// above it) that it left empty; a folder that was there before stays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/IcnArchive.h"
#include "fs/FileSystem.h"
#include "unpack/FrameOutput.h"
#include "unpack/UnpackerGeneration.h"

namespace icnkit {

// Unpacks archivePath into folder (ending in a delimiter) through fs, the
// frames written as output says (by default "%.4d.bmp" BMP files). Raises
// TZtError
// ("Cannot open file ..." and the other file messages of fs/Files.h,
// "Invalid archive: ...", "Unable to write to ...", "Bitmap too large: ...",
// "Not following a link owned by another user: <folder>", the palette's and
// the BMP writer's messages).
void ExportFrameFolder(TFileSystem& fs, const TUnpackerGeneration& generation,
                       const std::string& archivePath, const std::string& folder,
                       const TFrameOutput& output = {});

// The same for an archive already read from archivePath (its name decides
// H1's fill-only frames), so that it is read once. Memory behind the frame
// table's records is given back as the frames are written: afterwards only
// bytes' header may still be read.
void ExportFrameFolder(TFileSystem& fs, const TUnpackerGeneration& generation,
                       const std::string& archivePath, std::vector<uint8_t>& bytes,
                       const std::string& folder, const TFrameOutput& output = {});
// The same for archive bytes the caller keeps: nothing is given back.
void ExportFrameFolder(TFileSystem& fs, const TUnpackerGeneration& generation,
                       const std::string& archivePath, TArchiveImage archive,
                       const std::string& folder, const TFrameOutput& output = {});

}  // namespace icnkit
