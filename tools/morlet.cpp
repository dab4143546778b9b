// morlet: packs H1 frame folders into ICN archives.
#include <memory>

#include "cli/Arguments.h"
#include "tools/PackerCommandLine.h"

using namespace icnkit;

int main(int argc, char** argv) {
  const std::unique_ptr<TFileSystem> fs = MakeNativeFileSystem();
  const std::unique_ptr<TReportSink> report = MakeNativeReportSink();
  TToolContext context{*fs, *report};
  return RunPacker(context, TIcnGeneration::H1, CommandLineArguments(argc, argv));
}
