// What the subcommands share about archives: the -g choice, the generation
// of an archive, the -j option and the folders an argument must name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "icnkit/generation.h"

namespace CLI {
class App;
}

namespace icnkit {

// -g h1|h2|auto; nullopt is auto.
using TGenerationChoice = std::optional<icnkit::Generation>;

// The option that gives the generation, as the messages that ask for it
// name it ("cannot tell whether a.icn is H1 or H2; use -g").
inline constexpr const char* kGenerationOption = "-g";

// Adds "-g,--generation h1|h2|auto" to the subcommand; the text says what
// auto means there.
void AddGenerationOption(CLI::App& command, TGenerationChoice& choice, const std::string& autoText);
// Adds "-j,--jobs N" (default: the number of cores).
void AddJobsOption(CLI::App& command, unsigned& jobs);

// The generation of the archive bytes read from path: the choice, or when
// it is auto the one the bytes tell (icnkit::ArchiveGeneration, asking for
// -g when both fit).
icnkit::Generation ChosenGeneration(TGenerationChoice choice, std::span<const uint8_t> bytes,
                                    const std::string& path);

// For an argument that must be a folder (--preview's, the gallery's):
// raises "No such file or folder: <argument>" (exit status 1) when it names
// nothing, the usage error "<what> takes folders: <argument> is a file"
// when it names something else.
void CheckFolderArgument(const std::string& argument, const std::string& what);

// Raises "<archive> and <other> would both <what>": two archives whose
// outputs would land in one place (the second would overwrite the first's).
[[noreturn]] void ThrowClash(const std::string& archive, const std::string& other,
                             const std::string& what);

// The count and the noun, the noun plural unless the count is 1: "1 frame",
// "2 frames", "0 archives".
std::string Counted(size_t count, const std::string& noun);

}  // namespace icnkit
