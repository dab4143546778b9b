// The POSIX side of cli/: the console sink and argv as it is.
#include <unistd.h>

#include "cli/Arguments.h"
#include "cli/Report.h"
#include "cli/StandardStreams.h"

namespace icnkit {

std::unique_ptr<TReportSink> MakeNativeReportSink() {
  return std::make_unique<TConsoleReport>(stdout, stderr);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void PrepareStandardStreams() {}

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) != 0;
}

}  // namespace icnkit
