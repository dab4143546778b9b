// RunKit: the command line of icnkit (CLI11), its exit statuses and the
// catch-all that turns a failure into "icnkit: <message>".
#include <CLI/CLI.hpp>
#include <new>

#include "cli/RunTool.h"
#include "kit/Jobs.h"
#include "kit/Kit.h"

#define ICNKIT_SUBCOMMAND(Name) void Register##Name##Command(CLI::App& app, TKit& kit);
#include "kit/Subcommands.def"
#undef ICNKIT_SUBCOMMAND

std::string KitVersionText() {
  return std::string("icnkit ") + kToolVersion;
}

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

bool Print(FILE* stream, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
         std::fflush(stream) == 0;
}

}  // namespace

int RunKit(TKit& kit, const std::vector<std::string>& arguments) {
  kit.Status = 0;
  CLI::App app(
      "Converts ICN sprite archives (H1, H2) to and from frame folders of BMP or PNG "
      "files, and tells what they hold.",
      "icnkit");
  app.set_version_flag("--version", KitVersionText(), "Print the version and exit");
  app.require_subcommand(1);
  app.fallthrough();
  // Applied while the options are taken, before any command's work starts.
  app.add_flag_function(
      "-q,--quiet", [&kit](int64_t) { kit.Report.SetQuiet(true); },
      "Show nothing but errors (no progress bar, no warnings)");
  app.footer(
      "Run 'icnkit COMMAND --help' for a command's options. Exit status: 0 success, "
      "1 failure, 2 usage error.");
#define ICNKIT_SUBCOMMAND(Name) Register##Name##Command(app, kit);
#include "kit/Subcommands.def"
#undef ICNKIT_SUBCOMMAND

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  if (!reversed.empty()) reversed.pop_back();  // the program name
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return Print(kit.Out, app.help()) ? 0 : kExitFailure;
  } catch (const CLI::CallForAllHelp&) {
    return Print(kit.Out, app.help("", CLI::AppFormatMode::All)) ? 0 : kExitFailure;
  } catch (const CLI::CallForVersion&) {
    return Print(kit.Out, KitVersionText() + "\n") ? 0 : kExitFailure;
  } catch (const CLI::ParseError& error) {
    kit.Report.Error(std::string(error.what()) + "\nTry 'icnkit --help' for more information.");
    return kExitUsage;
  } catch (...) {
    kit.Report.Error(CurrentExceptionMessage());
    return kExitFailure;
  }
  return kit.Status;
}
