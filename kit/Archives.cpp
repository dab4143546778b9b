#include "kit/Archives.h"

#include <CLI/CLI.hpp>

#include "icnkit/error.h"
#include "icnkit/files.h"
#include "kit/Jobs.h"

namespace icnkit {

void AddGenerationOption(CLI::App& command, TGenerationChoice& choice,
                         const std::string& autoText) {
  command
      .add_option_function<std::string>(
          "-g,--generation",
          [&choice](const std::string& text) {
            choice = text == "auto" ? std::nullopt : TGenerationChoice(ParseGeneration(text));
          },
          "The archives' generation: h1, h2 or auto (" + autoText + ")")
      ->type_name("h1|h2|auto")
      ->transform(CLI::IsMember({"h1", "h2", "auto"}, CLI::ignore_case).description(""));
}

void AddJobsOption(CLI::App& command, unsigned& jobs) {
  jobs = DefaultJobs();
  command
      .add_option("-j,--jobs", jobs,
                  "Work on N archives at a time (default: the cores, " + std::to_string(jobs) + ")")
      ->type_name("N")
      ->check(CLI::Range(1u, 1024u).description(""));
}

icnkit::Generation ChosenGeneration(TGenerationChoice choice, std::span<const uint8_t> bytes,
                                    const std::string& path) {
  if (choice) return *choice;
  std::string advice = "use ";
  advice += kGenerationOption;
  return ArchiveGeneration(bytes, path, advice);
}

void CheckFolderArgument(const std::string& argument, const std::string& what) {
  const PathKind kind = KindOfPath(argument);
  if (kind == PathKind::Missing) {
    throw icnkit::Error(ErrorKind::NotFound, "No such file or folder: " + argument);
  }
  if (kind != PathKind::Folder) {
    throw CLI::ValidationError(what + " takes folders: " + argument + " is a file");
  }
}

void ThrowClash(const std::string& archive, const std::string& other, const std::string& what) {
  std::string message = archive;
  message += " and ";
  message += other;
  message += " would both ";
  message += what;
  throw icnkit::Error(ErrorKind::InvalidInput, message);
}

std::string Counted(size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace icnkit
