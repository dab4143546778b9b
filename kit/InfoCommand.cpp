// icnkit info ARCHIVE...: generation, frames, rectangle and each frame's
// record and stream, as a table or as JSON (icnkit/info.h). Its output
// is the answer: no closing line on stderr.
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>

#include "icnkit/files.h"
#include "icnkit/folders.h"
#include "icnkit/info.h"
#include "kit/Archives.h"
#include "kit/Batch.h"
#include "kit/Kit.h"

namespace icnkit {

namespace {

struct TInfoOptions {
  std::vector<std::string> Archives;
  TGenerationChoice Generation;
  bool Json = false;
  unsigned Jobs = 1;
};

void RunInfo(TKit& kit, const TInfoOptions& options) {
  const std::vector<std::string> archives = FindArchives(options.Archives, options.Generation);
  // Each archive's JSON object or table; none for an archive that failed.
  std::vector<std::optional<std::string>> results(archives.size());
  kit.Status = RunBatch(kit, archives.size(), options.Jobs, [&](size_t i, std::string& file) {
    file = archives[i];
    std::vector<uint8_t> bytes = ReadFile(archives[i]);
    const icnkit::Generation generation = ChosenGeneration(options.Generation, bytes, archives[i]);
    const icnkit::Archive archive =
        icnkit::Archive::Open(std::move(bytes), generation, FileNameOf(archives[i]));
    results[i] = options.Json ? icnkit::InfoJson(archive, archives[i])
                              : icnkit::InfoTable(archive, archives[i]);
    return archive.FrameCount();
  });
  std::string text;
  if (options.Json) {
    std::vector<std::string> objects;
    for (std::optional<std::string>& result : results) {
      if (result) objects.push_back(std::move(*result));
    }
    text = icnkit::InfoJsonDocument(objects);
  } else {
    for (const std::optional<std::string>& result : results) {
      if (!result) continue;
      if (!text.empty()) text += "\n";
      text += *result;
    }
  }
  if (std::fwrite(text.data(), 1, text.size(), kit.Out) != text.size() ||
      std::fflush(kit.Out) != 0) {
    kit.Report.Error("cannot write to standard output");
    kit.Status = 1;
  }
}

}  // namespace

void RegisterInfoCommand(CLI::App& app, TKit& kit) {
  auto options = std::make_shared<TInfoOptions>();
  CLI::App* command = app.add_subcommand(
      "info", "Show each archive's generation, frames, rectangle and frame records");
  command->add_option("ARCHIVE", options->Archives, "Archives, masks ('*.icn') or folders")
      ->required();
  AddGenerationOption(*command, options->Generation, "the default: told from each archive");
  command->add_flag("--json", options->Json, "Write one JSON document (see icnkit(1))");
  AddJobsOption(*command, options->Jobs);
  command->callback([&kit, options] { RunInfo(kit, *options); });
}

}  // namespace icnkit
