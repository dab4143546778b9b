// The unpackers' command line over the tool skeleton (cli/RunTool.h): the
// usage text, ":copyexe" with the palette, preview mode over a folder and
// frame-folder mode over file masks.
//
//   dravel                       usage text (also -h or --help anywhere;
//                                --version anywhere: line 1; the first wins)
//   dravel :copyexe              copy the executable into the current folder
//   dravel Mask [Mask ...]       every matching archive into <archive>.cadres/
//   dravel InFolder [OutFolder]  one frame of each archive into OutFolder
//                                (default InFolder/Icn Preview/)
//
// Arguments of frame-folder mode are checked before anything is unpacked:
// "Unknown option: %s (try --help)" for one that starts with '-' and names
// nothing, "No such file or folder: %s" for a name without '*' or '?' of
// nothing, "Not an archive: %s" for such a name of no archive (a mask may
// match nothing, and skips what is no archive).
//
// Exit status: 0 after the usage text and after "Operation succesful.", 1
// after an error box or when the final message could not be written;
// ":copyexe" is silent on success (0) and shows why it failed (1).
#pragma once

#include <string>
#include <vector>

#include "cli/ToolContext.h"
#include "unpack/UnpackerGeneration.h"

namespace icnkit {

// The entry point of dravel and dravix over the arguments (program name
// first); returns the process's exit status.
int RunUnpacker(TToolContext& context, const TUnpackerGeneration& generation,
                const std::vector<std::string>& arguments);

// The usage text, lines joined by CR LF, no line end after the last.
std::string UnpackerUsageText(const TUnpackerGeneration& generation);

// Exports every archive the mask matches: previews into previewFolder (made
// first, refused first when another user's link stands at its name:
// fs/Files.h CheckWrittenFolder) when it is not empty, else frame folders
// beside the archives. A failure removes the preview folder again when the
// run made it and left it empty.
// Directories are never handed to the exports. currentArchive receives the
// full path of each archive before it is started: the path an error names.
void ProcessArchives(TFileSystem& fs, const TUnpackerGeneration& generation,
                     const std::string& mask, const std::string& previewFolder,
                     std::string& currentArchive);

}  // namespace icnkit
