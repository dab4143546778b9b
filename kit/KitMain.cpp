// RunKit: the command line of icnkit (CLI11), its exit statuses, the
// catch-all that turns a failure into "icnkit: <message>" and the line that
// ends a run.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <new>

#include "icnkit/version.h"
#include "kit/Jobs.h"
#include "kit/Kit.h"

namespace icnkit {

#define ICNKIT_SUBCOMMAND(Name) void Register##Name##Command(CLI::App& app, TKit& kit);
#include "kit/Subcommands.def"
#undef ICNKIT_SUBCOMMAND

std::string KitVersionText() {
  return std::string("icnkit ") + ICNKIT_VERSION;
}

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

bool Print(FILE* stream, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
         std::fflush(stream) == 0;
}

// The edits (insertions, deletions, substitutions) that make a into b.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The first argument that is no option names the subcommand (icnkit's own
// options take no value). Raises the usage error for a word that is none:
// "unknown subcommand 'unpak'; did you mean 'unpack'?", the nearest name by
// edit distance when it is at most 2 edits and a third of the longer word
// away, nothing suggested otherwise.
void CheckSubcommandWord(CLI::App& app, const std::vector<std::string>& arguments) {
  const auto word = std::find_if(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end(),
                                 [](const std::string& a) { return !a.starts_with('-'); });
  if (word == arguments.end()) return;
  std::string nearest;
  size_t best = SIZE_MAX;
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    const std::string& name = command->get_name();
    if (name == *word) return;
    const size_t distance = EditDistance(*word, name);
    const size_t longer = std::max(word->size(), name.size());
    if (distance < best && distance <= 2 && distance * 3 <= longer + 2) {
      best = distance;
      nearest = name;
    }
  }
  throw CLI::ValidationError("unknown subcommand '" + *word + "'" +
                             (nearest.empty() ? "" : "; did you mean '" + nearest + "'?"));
}

// Where a usage error sends the user: the help of the subcommand it was
// made in, or icnkit's.
std::string HelpHint(const CLI::App& app) {
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  const std::string command = chosen.empty() ? "" : " " + chosen.front()->get_name();
  return "Try 'icnkit" + command + " --help' for more information.";
}

}  // namespace

int RunKit(TKit& kit, const std::vector<std::string>& arguments) {
  kit.Status = 0;
  kit.Summary.clear();
  CLI::App app(
      "Converts ICN sprite archives (H1, H2) to and from frame folders of BMP or PNG "
      "files, and tells what they hold.",
      "icnkit");
  app.set_version_flag("--version", KitVersionText(), "Print the version and exit");
  app.require_subcommand(1);
  app.fallthrough();
  // Applied while the options are taken, before any command's work starts.
  CLI::Option* quiet = app.add_flag_function(
      "-q,--quiet", [&kit](int64_t) { kit.Report.SetQuiet(true); },
      "Show nothing but errors (no progress bar, no warnings, no closing line)");
  app.add_flag_function(
         "-v,--verbose", [&kit](int64_t) { kit.Report.SetVerbose(true); },
         "Also say what was adjusted on the way (a --frames range cut to the frames there are)")
      ->excludes(quiet);
  app.footer(
      "Run 'icnkit COMMAND --help' for a command's options. Exit status: 0 success, "
      "1 failure, 2 usage error.");
#define ICNKIT_SUBCOMMAND(Name) Register##Name##Command(app, kit);
#include "kit/Subcommands.def"
#undef ICNKIT_SUBCOMMAND

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  if (!reversed.empty()) reversed.pop_back();  // the program name
  try {
    CheckSubcommandWord(app, arguments);
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    return Print(kit.Out, app.help()) ? 0 : kExitFailure;
  } catch (const CLI::CallForAllHelp&) {
    return Print(kit.Out, app.help("", CLI::AppFormatMode::All)) ? 0 : kExitFailure;
  } catch (const CLI::CallForVersion&) {
    return Print(kit.Out, KitVersionText() + "\n") ? 0 : kExitFailure;
  } catch (const CLI::ParseError& error) {
    kit.Report.Error(std::string(error.what()) + "\n" + HelpHint(app));
    return kExitUsage;
  } catch (...) {
    kit.Report.Error(CurrentExceptionMessage());
    return kExitFailure;
  }
  if (kit.Status == 0 && !kit.Summary.empty()) kit.Report.Note(kit.Summary);
  return kit.Status;
}

}  // namespace icnkit
