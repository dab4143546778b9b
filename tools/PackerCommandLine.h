// The packers' command line over the tool skeleton (cli/RunTool.h): the
// usage text, the archive and folder paths of each argument.
//
//   morlet|morvix                     the usage text
//   morlet|morvix ... -h|--help ...   the usage text, nothing else done
//   morlet|morvix ... --version ...   its first line (-h, --help and
//                                     --version count anywhere; the first
//                                     one wins)
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
#include <vector>

#include "cli/ToolContext.h"
#include "format/IcnArchive.h"
#include "pack/PackerGeneration.h"

namespace icnkit {

// Lines joined by CR LF, no CR LF after the last one.
std::string PackerUsageText(const TPackerGeneration& generation);

// The whole of morlet (H1) and morvix (H2) over the arguments (program name
// first); returns the exit status. The error message's second line is the
// bitmap being packed, if any.
int RunPacker(TToolContext& context, TIcnGeneration generation,
              const std::vector<std::string>& arguments);

}  // namespace icnkit
