// The unpackers' command line: usage, ":copyexe", preview mode over a folder,
// frame-folder mode over file masks, and the one final message box.
//
//   dravel                       usage text (also -h, --help; --version: line 1)
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

#include "unpack/UnpackerGeneration.h"

// The entry point of dravel and dravix; returns the process's exit status.
int RunUnpacker(const TUnpackerGeneration& generation, int argc, const char* const* argv);

// The usage text, lines joined by CR LF, no line end after the last.
std::string UnpackerUsageText(const TUnpackerGeneration& generation);

// Whether a file name has one of the generation's archive extensions
// (compared whole, dot included, letters A-Z without regard to case).
bool IsArchiveName(const TUnpackerGeneration& generation, const std::string& name);

// Exports every archive the mask matches: previews into previewFolder (made
// first) when it is not empty, else frame folders beside the archives.
// Directories are never handed to the exports.
void ProcessArchives(const TUnpackerGeneration& generation, const std::string& mask,
                     const std::string& previewFolder);

// The error box: message + "." or, once an archive was started, message +
// ".\r\n" + CurrentArchive().
void ShowUnpackError(const TUnpackerGeneration& generation, const std::string& message);

// Full path of the archive processed last (empty before the first): the
// path the error box names.
std::string& CurrentArchive();
