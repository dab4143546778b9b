// icnkit: one tool with subcommands over the public library
// (include/icnkit/), which holds the work of the four legacy tools, following GNU conventions:
// "icnkit --help", "icnkit unpack --help",
// "--version"; exit status 0 (success), 1 (failure), 2 (usage error); every
// error on stderr as "icnkit: ...".
//
// Adding a subcommand is one file and one line:
//   1. kit/<Name>Command.cpp defines
//        void Register<Name>Command(CLI::App& app, TKit& kit);
//      which adds the subcommand (app.add_subcommand) with its options and a
//      callback doing the work. The callback raises icnkit::Error for a failure
//      (reported as "icnkit: <message>", exit 1), CLI::ValidationError for a
//      usage error (exit 2), or sets kit.Status after reporting failures
//      itself through kit.Report. It sets kit.Summary to what it did, the
//      line that ends a successful run unless -q.
//   2. kit/Subcommands.def gets the line ICNKIT_SUBCOMMAND(<Name>).
// icn_kit compiles every kit/*.cpp but main.cpp; a subcommand whose code
// lives in another library links it to icn_kit from that library's
// CMakeLists.txt (target_link_libraries(icn_kit PRIVATE icn_sheet)).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "kit/KitReport.h"

namespace CLI {
class App;
}

namespace icnkit {

// What every subcommand works with, created in main. The files are the
// library's (include/icnkit/): the subcommands read and write them through
// its calls alone.
struct TKit {
  TKitReport& Report;
  // Standard output: tables, JSON.
  FILE* Out;
  // The exit status a callback leaves when it reported its failures itself.
  int Status = 0;
  // What the run did and where ("unpacked 2 archives, 10 frames into
  // frames/"), shown as its last line when it succeeded, unless -q; empty:
  // nothing to add (info, whose output is the answer).
  std::string Summary{};
};

// The whole run over the arguments (program name first); the exit status.
int RunKit(TKit& kit, const std::vector<std::string>& arguments);

// The version of "icnkit --version".
std::string KitVersionText();

}  // namespace icnkit
