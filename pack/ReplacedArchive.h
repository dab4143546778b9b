// The archive a pack is about to replace, against the generation packed:
// packing H1 frames over an H2 archive (or H2 frames over an H1 one) would
// silently give the game an archive it cannot read.
#pragma once

#include <functional>
#include <string>

#include "format/Generation.h"
#include "fs/FileSystem.h"

namespace icnkit {

// Refuses to replace the archive at archivePath with one of generation when
// the archive is told with certainty to be of the other generation by its
// header and frame table (format/Detect.h TableFitsGeneration: exactly that
// one fits). Raises "Not an H2 archive:
// <archivePath> (it is H1; <advice(H1)>)", or the mirror, where advice names
// what packs that generation ("pack it with morlet"). An archive that is
// missing, is no regular file, cannot be read or whose generation is unsure
// passes: the pack goes on as before. Only the archive's header and table
// are read (at most 852 KB, TFileSystem::ReadFileHead), once, before any
// frame, and let go again.
void CheckReplacedGeneration(TFileSystem& fs, const std::string& archivePath,
                             TIcnGeneration generation,
                             const std::function<std::string(TIcnGeneration)>& advice);

}  // namespace icnkit
