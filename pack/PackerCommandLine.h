// The packers' entry: command line, archive and folder paths, message boxes.
//
//   morlet|morvix                     the usage text
//   morlet|morvix -h | --help         the usage text
//   morlet|morvix --version           its first line
//   morlet|morvix :copyexe            copies itself into the current folder
//   morlet|morvix A [B ...]           packs every argument in order:
//     A a folder:   the frame folder; the archive is A without its last
//                   extension (a.icn.cadres -> a.icn)
//     otherwise:    the archive A from the folder A + ".cadres/"
//
// An argument that starts with '-' and names neither a file or folder nor an
// archive with a frame folder is "Unknown option: %s (try --help)", found
// before anything is packed.
//
// One final box: the usage text or "Operation succesful." (exit 0, or 1 when
// it could not be written), or the error box of the first failure, which
// ends the run (exit 1). ":copyexe" is silent on success and shows why it
// failed.
#pragma once

#include <string>

#include "format/IcnArchive.h"
#include "pack/PackerGeneration.h"

// The archive to write and the frame folder to read (ending in a delimiter).
struct TPackPaths {
  std::string Archive;
  std::string Folder;
};

// Paths for one command-line argument. Raises "Folder doesn't exist: %s"
// (the folder with its trailing delimiter) when an archive path has no
// frame folder.
TPackPaths PackPathsFor(const std::string& argument);

// Lines joined by CR LF, no CR LF after the last one.
std::string PackerUsageText(const TPackerGeneration& generation);

// The error box: message + "." or, while a bitmap is being packed,
// message + ".\r\n" + CurrentFrameFile.
void ShowPackError(const TPackerGeneration& generation, const std::string& message);

// The whole of morlet (H1) and morvix (H2); returns the exit status.
int RunPacker(TIcnGeneration generation, int argc, const char* const* argv);
