// What the subcommands share about archives: the -g choice, the generation
// an archive or a frame folder has, and the archives the arguments name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "format/Generation.h"
#include "format/IcnArchive.h"
#include "fs/FileSystem.h"
#include "icnkit/generation.h"

namespace CLI {
class App;
}

namespace icnkit {

// -g h1|h2|auto; nullopt is auto.
using TGenerationChoice = std::optional<TIcnGeneration>;

// Adds "-g,--generation h1|h2|auto" to the subcommand; the text says what
// auto means there.
void AddGenerationOption(CLI::App& command, TGenerationChoice& choice, const std::string& autoText);
// Adds "-j,--jobs N" (default: the number of cores).
void AddJobsOption(CLI::App& command, unsigned& jobs);

// The generation of the archive image at path: the choice, or when it is
// auto the one its bytes tell, with the messages of every face
// (format/Detect.h TellGeneration): "Not an archive: <path>" for another
// kind of file, the unpackers' reason for a cut or damaged archive
// ("Invalid archive: frame 2 starts outside the file"), "cannot tell
// whether <path> is H1 or H2; use -g" when both generations fit (an
// archive without frames).
TIcnGeneration ArchiveGeneration(TGenerationChoice choice, TArchiveImage image,
                                 const std::string& path);

// The same generation as the library names it.
icnkit::Generation PublicGeneration(TIcnGeneration generation);

// Whether a name has an archive's extension: H1's (which include H2's
// .icn) under auto.
bool IsKitArchiveName(TGenerationChoice choice, const std::string& name);

// The archives the arguments name, in order: a file as it is (whatever its
// extension), a folder's archives, a mask's matching archives (folders and
// other extensions skipped; a mask may match nothing), each in natural
// order. Raises "No such file or folder: <argument>" for a plain name of
// nothing, before anything is worked on.
std::vector<std::string> ExpandArchiveArguments(TFileSystem& fs, TGenerationChoice choice,
                                                const std::vector<std::string>& arguments);

// For an argument that must be a folder (--preview's, the gallery's):
// raises "No such file or folder: <argument>" (exit status 1) when it names
// nothing, the usage error "<what> takes folders: <argument> is a file"
// when it names something else.
void CheckFolderArgument(TFileSystem& fs, const std::string& argument, const std::string& what);

// The archives of a folder (ending in a delimiter or not), natural order.
std::vector<std::string> ArchivesOfFolder(TFileSystem& fs, TGenerationChoice choice,
                                          const std::string& folder);

}  // namespace icnkit
