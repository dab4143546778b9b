#include "unpack/UnpackerCommandLine.h"

#include <new>

#include "support/ZtFindFile.h"
#include "support/ZtSelfCopy.h"
#include "support/ZtSysUtils.h"
#include "unpack/FrameFolderExport.h"
#include "unpack/PreviewExport.h"

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

void ShowInformation(const TUnpackerGeneration& generation, const std::string& text) {
  ShowMessageBox(text, generation.ProgramName, kMbIconInformation);
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

int RunUnpacker(const TUnpackerGeneration& generation, int argc, const char* const* argv) {
  ApplicationFolder();  // fixed before anything can change the current folder
  const std::string first = argc > 1 ? argv[1] : "";
  if (first.empty() || first == "-h" || first == "--help") {
    ShowInformation(generation, UnpackerUsageText(generation));
    return 0;
  }
  if (first == "--version") {
    ShowInformation(generation, FirstLine(UnpackerUsageText(generation)));
    return 0;
  }
  if (first == ":copyexe") return CopySelfToCurrentFolder(generation.ProgramName) ? 0 : 1;
  try {
    RunConversion(generation, argc, argv);
  } catch (const std::bad_alloc&) {
    ShowUnpackError(generation, "Out of memory");
    return 1;
  } catch (const std::exception& error) {
    ShowUnpackError(generation, error.what());
    return 1;
  }
  ShowInformation(generation, "Operation succesful.");
  return 0;
}
