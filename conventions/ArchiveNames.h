// The names both sides of the tools agree on: which files are archives of a
// generation, and the frame folder beside an archive.
//
//   H1 archives  .icn .obj .atk .std .wlk .wip .xtl   (any letter case)
//   H2 archives  .icn
//   frame folder the archive's path + ".cadres" + the path delimiter
#pragma once

#include <string>

#include "format/IcnArchive.h"
#include "fs/FileSystem.h"

namespace icnkit {

// Whether a file name has one of the generation's archive extensions
// (compared whole, dot included, letters A-Z without regard to case).
bool IsArchiveName(TIcnGeneration generation, const std::string& name);

// The frame folder of an archive, ending in the delimiter:
// "x/a.icn" -> "x/a.icn.cadres/".
std::string FrameFolderOf(const std::string& archive);

// The archive to write and the frame folder to read (ending in a delimiter).
struct TPackPaths {
  std::string Archive;
  std::string Folder;
};

// Paths for one packer argument: a folder is the frame folder of the
// archive named like it without its last extension (a.icn.cadres ->
// a.icn); anything else is the archive of FrameFolderOf(argument). Raises
// "Folder doesn't exist: %s" (the folder with its trailing delimiter) when
// an archive path has no frame folder.
TPackPaths PackPathsFor(TFileSystem& fs, const std::string& argument);

}  // namespace icnkit
