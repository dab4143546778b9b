// RunTool: the skeleton the four tools share, written once.
//
//   tool                    the usage text
//   tool ... -h|--help ...  the usage text, and nothing else is done: -h,
//                           --help and --version count anywhere on the
//                           command line, the first of them wins
//   tool ... --version ...  the usage text's first line, likewise
//   tool :copyexe           copies itself into the current folder; silent on
//                           success, shows why it failed
//   tool Arguments...       the tool's conversion
//
// One final message: the usage text or "Operation succesful." (exit 0, or 1
// when it could not be written), or the error of the first failure, which
// ends the run (exit 1): its text + "." or, once the conversion named a file
// it was working on (the archive of an unpacker, the bitmap of a packer),
// its text + ".\r\n" + that file. "Out of memory" stands for std::bad_alloc.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/ToolContext.h"

namespace icnkit {

// The version shown in the first usage line.
extern const char* const kToolVersion;
// The three credit lines that end every usage text, joined by CR LF.
extern const char* const kCreditLines;

// What one run of a tool knows besides its context: the file the error
// message names on its second line (empty: none). The conversion sets it;
// nothing outlives the run.
struct TToolRun {
  TToolContext& Context;
  std::string CurrentFile;
};

// What differs between the tools.
struct TToolDescription {
  // Caption of every message.
  std::string ProgramName;
  // The usage text, lines joined by CR LF, no line end after the last.
  std::string Usage;
  // ":copyexe": files copied beside the executable's copy (full paths).
  std::function<std::vector<std::string>(TFileSystem& fs)> CopyCompanions;
  // The conversion over the arguments (program name first); raises on the
  // first failure.
  std::function<void(TToolRun& run, const std::vector<std::string>& arguments)> Convert;
};

// The whole run; returns the process's exit status.
int RunTool(TToolContext& context, const TToolDescription& tool,
            const std::vector<std::string>& arguments);

// The error message: message + "." or message + ".\r\n" + currentFile.
std::string ToolErrorText(const std::string& message, const std::string& currentFile);

// ":copyexe": copies the running executable to a file of the program's own
// executable name ("dravel" on POSIX, "Dravel.exe" on Windows) in the
// current folder, keeping its mode bits, then each companion file (a full
// path) under its own name beside it. A copy whose source and target are the
// same file writes nothing. Raises "Cannot copy to "%s". %s" (the target,
// made absolute where the current folder still exists, and the system's
// text) for the first copy that fails.
void CopySelfToCurrentFolder(TFileSystem& fs, const std::string& programName,
                             const std::vector<std::string>& companions = {});

}  // namespace icnkit
