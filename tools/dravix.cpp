// dravix: unpacks H2 sprite archives into frame folders or previews.
#include <memory>

#include "cli/Arguments.h"
#include "tools/UnpackerCommandLine.h"

using namespace icnkit;

int main(int argc, char** argv) {
  const std::unique_ptr<TFileSystem> fs = MakeNativeFileSystem();
  const std::unique_ptr<TReportSink> report = MakeNativeReportSink();
  TToolContext context{*fs, *report};
  return RunUnpacker(context, kDravixGeneration, CommandLineArguments(argc, argv));
}
