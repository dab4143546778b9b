#include "conventions/ArchiveNames.h"

#include <span>

#include "format/Text.h"
#include "fs/Files.h"
#include "fs/Path.h"

namespace icnkit {

namespace {

constexpr const char* kH1Extensions[] = {".icn", ".obj", ".atk", ".std", ".wlk", ".wip", ".xtl"};
constexpr const char* kH2Extensions[] = {".icn"};

std::span<const char* const> ArchiveExtensions(TIcnGeneration generation) {
  if (generation == TIcnGeneration::H1) return kH1Extensions;
  return kH2Extensions;
}

}  // namespace

bool IsArchiveName(TIcnGeneration generation, const std::string& name) {
  const std::string extension = AsciiLower(ExtensionOfPath(name));
  for (const char* accepted : ArchiveExtensions(generation)) {
    if (extension == accepted) return true;
  }
  return false;
}

std::string FrameFolderOf(const std::string& archive) {
  return archive + ".cadres" + NativePathStyle().Delimiter;
}

TPackPaths PackPathsFor(TFileSystem& fs, const std::string& argument) {
  if (IsDirectory(fs, argument)) {
    return {ReplaceExtension(WithoutTrailingSlash(argument), ""), WithTrailingSlash(argument)};
  }
  TPackPaths paths{argument, FrameFolderOf(argument)};
  if (!IsDirectory(fs, paths.Folder)) {
    throw TZtError("Folder doesn't exist: " + paths.Folder, TZtErrorKind::Missing);
  }
  return paths;
}

}  // namespace icnkit
