// Preview export: one representative frame of an archive, drawn alone on a
// bitmap of exactly its own size (its Left and Top play no part).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "format/IcnArchive.h"
#include "fs/FileSystem.h"
#include "unpack/FrameOutput.h"
#include "unpack/UnpackerGeneration.h"

namespace icnkit {

// First frame considered, indexed by the ".std" test: a ".std" archive of
// more than one frame keeps a fill-only shape in frame 0, which makes a poor
// preview, so it starts at frame 1.
extern const uint8_t PreviewStartTable[2];

// Whether the ".std" start rule applies: the generation has it, the
// extension is ".std" in any letter case, and there is more than one frame.
bool IsStdArchive(const TUnpackerGeneration& generation, TArchiveImage image,
                  const std::string& archivePath);

// The frame to show: from the start frame on, the first whose Height is
// greater than 1, else the start frame itself; none when there is no frame.
std::optional<size_t> ChoosePreviewFrame(const TUnpackerGeneration& generation, TArchiveImage image,
                                         const std::string& archivePath);

// Writes the chosen frame of archivePath as bitmapPath through fs (as
// output says, by default a BMP file); an
// archive without frames writes nothing. Raises TZtError like
// ExportFrameFolder.
void ExportPreview(TFileSystem& fs, const TUnpackerGeneration& generation,
                   const std::string& archivePath, const std::string& bitmapPath,
                   const TFrameOutput& output = {});
// The same for an archive already read from archivePath.
void ExportPreview(TFileSystem& fs, const TUnpackerGeneration& generation,
                   const std::string& archivePath, TArchiveImage archive,
                   const std::string& bitmapPath, const TFrameOutput& output = {});

}  // namespace icnkit
