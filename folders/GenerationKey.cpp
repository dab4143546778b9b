#include "folders/GenerationKey.h"

#include <vector>

#include "format/Generation.h"
#include "fs/Files.h"
#include "settings/IniDocument.h"

namespace icnkit {

namespace {

constexpr const char* kSection = "Position";
constexpr const char* kKey = "Generation";

}  // namespace

std::optional<TIcnGeneration> ReadGenerationKey(TFileSystem& fs, const std::string& folder) {
  const std::string path = folder + "setup.ini";
  if (fs.Stat(path).Kind == TPathKind::Missing) return std::nullopt;
  std::vector<uint8_t> bytes;
  LoadWholeFile(fs, path, bytes);
  const TIniDocument document{std::span<const uint8_t>(bytes)};
  const std::optional<std::string> value = document.Get(kSection, kKey);
  if (!value) return std::nullopt;
  const std::optional<TIcnGeneration> generation = ParseGenerationName(*value);
  if (!generation) {
    throw TZtError("Generation is \"" + *value + "\", not H1 or H2");
  }
  return generation;
}

}  // namespace icnkit
