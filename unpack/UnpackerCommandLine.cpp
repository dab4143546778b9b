#include "unpack/UnpackerCommandLine.h"

#include <new>
#include <vector>

#include "support/ZtFindFile.h"
#include "support/ZtSelfCopy.h"
#include "support/ZtSysUtils.h"
#include "unpack/FrameFolderExport.h"
#include "unpack/PreviewExport.h"
#include "unpack/WorkImage.h"

namespace {

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find("\r\n"));
}

bool ShowInformation(const TUnpackerGeneration& generation, const std::string& text) {
  return ShowMessageBox(text, generation.ProgramName, kMbIconInformation) != 0;
}

bool HasWildcard(const std::string& argument) {
  return argument.find_first_of("*?") != std::string::npos;
}

// Raises the command-line mistake an argument of frame-folder mode is, if
// any: an option that names no file, a plain name of nothing, or a plain name
// of something that is no archive. Masks may match nothing.
void CheckArgument(const TUnpackerGeneration& generation, const std::string& argument) {
  bool named = ZtPlatform().GetFileAttributes(argument) != kInvalidFileAttributes;
  bool archive = false;
  TZtFindFile find(argument);
  while (find.NextMatch(0, 0)) {
    named = true;
    archive = archive || ((find.Attributes() & kFileAttributeDirectory) == 0 &&
                          IsArchiveName(generation, find.Name()));
  }
  if (!named && argument.starts_with('-')) {
    throw TZtError("Unknown option: " + argument + " (try --help)");
  }
  if (HasWildcard(argument)) return;
  if (!named) throw TZtError("No such file or folder: " + argument);
  if (!archive) throw TZtError("Not an archive: " + argument);
}

// Frame-folder mode over every argument (the shell expands "*.icn" into
// many), preview mode when the first names a folder.
void RunConversion(const TUnpackerGeneration& generation, int argc, const char* const* argv) {
  const std::string first = argv[1];
  if (IsDirectory(first)) {
    const std::string folder = WithTrailingSlash(first);
    const std::string output = argc > 2 ? argv[2] : "";
    const std::string previewFolder =
        output.empty() ? WithTrailingSlash(folder + "Icn Preview") : WithTrailingSlash(output);
    ProcessArchives(generation, folder + generation.PreviewPattern, previewFolder);
    return;
  }
  // Every mistake is reported before anything is unpacked.
  for (int i = 1; i < argc; ++i) CheckArgument(generation, argv[i]);
  for (int i = 1; i < argc; ++i) ProcessArchives(generation, argv[i], std::string());
}

}  // namespace

std::string& CurrentArchive() {
  static std::string path;
  return path;
}

std::string UnpackerUsageText(const TUnpackerGeneration& generation) {
  const std::string program = generation.ProgramName;
  const std::string executable = ZtPlatform().ExecutableFileName(program);
  const char delimiter = NativePathStyle().Delimiter;
  std::string text;
  text += program + " v" + kToolVersion + "\r\n";
  text += "Usage 1:  " + executable + " Target.icn\r\n";
  text += "Unpacks into \"Target.icn.cadres\" folder.\r\n";
  text += "File masks are supported. Use \"*.*\" to unpack all ICN files.\r\n";
  text += "\r\n";
  text += "Usage 2:  " + executable + " InFolder [OutFolder]\r\n";
  text += "Extracts 1 frame of each ICN file into OutFolder.\r\n";
  text += "OutFolder defaults to \"InFolder" + std::string(1, delimiter) + "Icn Preview\".\r\n";
  text += "\r\n";
  text += "You can simply create a desktop shortcut for " + program +
          " and drag files or folders you want to unpack onto it.\r\n";
  text += "\r\n";
  text += kCreditLines;
  return text;
}

bool IsArchiveName(const TUnpackerGeneration& generation, const std::string& name) {
  const std::string extension = AsciiLower(ExtensionOfPath(name));
  for (const char* accepted : generation.AcceptedExtensions) {
    if (extension == accepted) return true;
  }
  return false;
}

void ProcessArchives(const TUnpackerGeneration& generation, const std::string& mask,
                     const std::string& previewFolder) {
  if (!previewFolder.empty()) MakeFolders(previewFolder);  // failures show at the first save
  TZtFindFile find(mask);
  while (find.NextMatch(0, kFileAttributeDirectory)) {
    if (!IsArchiveName(generation, find.Name())) continue;
    const std::string& archive = find.FullPath();
    CurrentArchive() = archive;
    if (!previewFolder.empty()) {
      ExportPreview(generation, archive, previewFolder + NameOfPath(archive) + ".bmp");
    } else {
      ExportFrameFolder(generation, archive, WithTrailingSlash(archive + ".cadres"));
    }
  }
}

void ShowUnpackError(const TUnpackerGeneration& generation, const std::string& message) {
  const std::string& archive = CurrentArchive();
  const std::string text = archive.empty() ? message + "." : message + ".\r\n" + archive;
  ShowMessageBox(text, generation.ProgramName, kMbIconError);
}

// ":copyexe". On POSIX the palette goes along: installed, it lives in
// ../share/icnkit/, where a copy in another folder would not find it.
void CopyUnpacker(const TUnpackerGeneration& generation) {
  std::vector<std::string> companions;
#if !defined(_WIN32)
  companions.push_back(PalettePath(generation));
#endif
  CopySelfToCurrentFolder(generation.ProgramName, companions);
}

int RunUnpacker(const TUnpackerGeneration& generation, int argc, const char* const* argv) {
  ApplicationFolder();  // fixed before anything can change the current folder
  CurrentArchive().clear();
  const std::string first = argc > 1 ? argv[1] : "";
  if (first.empty() || first == "-h" || first == "--help") {
    return ShowInformation(generation, UnpackerUsageText(generation)) ? 0 : 1;
  }
  if (first == "--version") {
    return ShowInformation(generation, FirstLine(UnpackerUsageText(generation))) ? 0 : 1;
  }
  try {
    if (first == ":copyexe") {
      CopyUnpacker(generation);
      return 0;
    }
    RunConversion(generation, argc, argv);
  } catch (const std::bad_alloc&) {
    ShowUnpackError(generation, "Out of memory");
    return 1;
  } catch (const std::exception& error) {
    ShowUnpackError(generation, error.what());
    return 1;
  }
  // Success that cannot be reported (stdout closed or full) is no success.
  return ShowInformation(generation, "Operation succesful.") ? 0 : 1;
}
