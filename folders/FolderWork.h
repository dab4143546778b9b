// What "icnkit unpack" and "icnkit pack" do with one archive or one frame
// folder, written once for the library's calls (api/Folders.cpp, which the
// tool uses too): on the library's file system, or on an in-memory one for
// frame folders as named files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "conventions/ArchiveNames.h"
#include "folders/FrameFiles.h"
#include "format/IcnArchive.h"
#include "fs/FileSystem.h"
#include "sheet/SheetJson.h"
#include "unpack/FrameOutput.h"

namespace icnkit {

// What packs an archive of that generation ("pack it with morlet").
using TGenerationAdvice = std::function<std::string(TIcnGeneration)>;

// The frame folder of an archive (unpack/FrameFolderExport.h, frames as
// output says) and, for an archive with frames, setup.ini's Generation key
// (folders/GenerationKey.h), written with the rest of setup.ini. archivePath names the archive (its
// name decides H1's fill-only frames). The bytes of a vector are given back page by page as the
// frames are written: afterwards only their header may be read. Returns the frame count.
size_t UnpackArchiveFolder(TFileSystem& fs, std::vector<uint8_t>& bytes, TIcnGeneration generation,
                           const std::string& archivePath, const std::string& folder,
                           const TFrameOutput& output);
size_t UnpackArchiveFolder(TFileSystem& fs, TArchiveImage bytes, TIcnGeneration generation,
                           const std::string& archivePath, const std::string& folder,
                           const TFrameOutput& output);

// The archive of a frame folder (pack/FrameFolderPack.h, frames read as
// MakeFrameInput says): its generation given, else setup.ini's Generation
// key, else "cannot tell whether <folder> is H1 or H2; <advice>". An
// archive there of the other generation is not replaced
// (pack/ReplacedArchive.h, replacedAdvice naming the way to pack it). file
// names what a failure concerns (setup.ini, a frame file, the archive) or
// is cleared where the message names it. Returns the frame count.
size_t PackArchiveFolder(TFileSystem& fs, const TPackPaths& paths,
                         std::optional<TIcnGeneration> generation, TPackPalettes& palettes,
                         bool remap, const TWarningSink& warn, const std::string& advice,
                         const TGenerationAdvice& replacedAdvice, std::string& file);

// The archive of a sheet (sheet/SheetPack.h) whose image is the PNG png,
// decoded as a PNG frame is (imageName in messages).
std::vector<uint8_t> PackSheetImage(const TSheetDescription& sheet, std::span<const uint8_t> png,
                                    const std::string& imageName, TPackPalettes& palettes,
                                    bool remap, const TWarningSink& warn);

}  // namespace icnkit
