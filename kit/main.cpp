// icnkit's entry point: the report on stderr, the UTF-8 arguments.
#include <cstdio>

#include "cli/Arguments.h"
#include "cli/StandardStreams.h"
#include "kit/Kit.h"

using namespace icnkit;

int main(int argc, char** argv) {
  PrepareStandardStreams();
  TKitReport report(stderr, IsTerminal(stderr));
  TKit kit{report, stdout};
  return RunKit(kit, CommandLineArguments(argc, argv));
}
