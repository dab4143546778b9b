// The command line as UTF-8 strings, program name first: argv as it is on
// POSIX; on Windows the wide command line (GetCommandLineW), split by
// CommandLineToArgvW and converted, since argv holds the ANSI code page.
#pragma once

#include <string>
#include <vector>

namespace icnkit {

std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace icnkit
