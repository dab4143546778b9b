#include "kit/Archives.h"

#include <CLI/CLI.hpp>

#include "conventions/ArchiveNames.h"
#include "format/Detect.h"
#include "fs/Files.h"
#include "fs/FindFile.h"
#include "fs/Path.h"
#include "kit/Jobs.h"

namespace icnkit {

void AddGenerationOption(CLI::App& command, TGenerationChoice& choice,
                         const std::string& autoText) {
  command
      .add_option_function<std::string>(
          "-g,--generation",
          [&choice](const std::string& text) {
            choice = text == "auto" ? std::nullopt : ParseGenerationName(text);
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

TIcnGeneration ArchiveGeneration(TGenerationChoice choice, TArchiveImage image,
                                 const std::string& path) {
  if (choice) return *choice;
  return icnkit::TellGeneration(image, path, "use -g");
}

icnkit::Generation PublicGeneration(TIcnGeneration generation) {
  return icnkit::ParseGeneration(GenerationName(generation));
}

bool IsKitArchiveName(TGenerationChoice choice, const std::string& name) {
  return IsArchiveName(choice.value_or(TIcnGeneration::H1), name);
}

namespace {

std::vector<std::string> MatchingArchives(TFileSystem& fs, TGenerationChoice choice,
                                          const std::string& mask) {
  std::vector<std::string> archives;
  TZtFindFile find(fs, mask);
  while (find.NextMatch(0, kFindFolder)) {
    if (IsKitArchiveName(choice, find.Name())) archives.push_back(find.FullPath());
  }
  return archives;
}

}  // namespace

void CheckFolderArgument(TFileSystem& fs, const std::string& argument, const std::string& what) {
  const TPathKind kind = fs.Stat(argument).Kind;
  if (kind == TPathKind::Missing) throw TZtError("No such file or folder: " + argument);
  if (kind != TPathKind::Folder) {
    throw CLI::ValidationError(what + " takes folders: " + argument + " is a file");
  }
}

std::vector<std::string> ArchivesOfFolder(TFileSystem& fs, TGenerationChoice choice,
                                          const std::string& folder) {
  return MatchingArchives(fs, choice, WithTrailingSlash(folder) + "*");
}

std::vector<std::string> ExpandArchiveArguments(TFileSystem& fs, TGenerationChoice choice,
                                                const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument.find_first_of("*?") == std::string::npos &&
        fs.Stat(argument).Kind == TPathKind::Missing) {
      throw TZtError("No such file or folder: " + argument);
    }
  }
  std::vector<std::string> archives;
  for (const std::string& argument : arguments) {
    std::vector<std::string> found;
    if (argument.find_first_of("*?") != std::string::npos) {
      found = MatchingArchives(fs, choice, argument);
    } else if (IsDirectory(fs, argument)) {
      found = ArchivesOfFolder(fs, choice, argument);
    } else {
      found = {argument};
    }
    archives.insert(archives.end(), found.begin(), found.end());
  }
  return archives;
}

}  // namespace icnkit
