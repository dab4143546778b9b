#include "tools/UnpackerCommandLine.h"

#include "cli/RunTool.h"
#include "conventions/ArchiveNames.h"
#include "conventions/WorkImage.h"
#include "fs/Files.h"
#include "fs/FindFile.h"
#include "fs/Path.h"
#include "unpack/FrameFolderExport.h"
#include "unpack/PreviewExport.h"

namespace icnkit {

namespace {

bool HasWildcard(const std::string& argument) {
  return argument.find_first_of("*?") != std::string::npos;
}

// Raises the command-line mistake an argument of frame-folder mode is, if
// any: an option that names no file, a plain name of nothing, or a plain name
// of something that is no archive. Masks may match nothing.
void CheckArgument(TFileSystem& fs, const TUnpackerGeneration& generation,
                   const std::string& argument) {
  const TPathKind kind = fs.Stat(argument).Kind;
  bool named = kind != TPathKind::Missing;
  bool archive = false;
  TZtFindFile find(fs, argument);
  while (find.NextMatch(0, 0)) {
    named = true;
    archive = archive || ((find.Attributes() & kFindFolder) == 0 &&
                          IsArchiveName(generation.Format.Generation, find.Name()));
  }
  if (!named && argument.starts_with('-')) {
    throw TZtError("Unknown option: " + argument + " (try --help)");
  }
  if (HasWildcard(argument)) return;
  if (!named) throw TZtError("No such file or folder: " + argument);
  // A pipe or device the listing skipped: it is never read.
  if (kind == TPathKind::Other) throw TZtError("Not a regular file: " + argument);
  if (!archive) throw TZtError("Not an archive: " + argument);
}

// Frame-folder mode over every argument (the shell expands "*.icn" into
// many), preview mode when the first names a folder.
void RunConversion(TToolRun& run, const TUnpackerGeneration& generation,
                   const std::vector<std::string>& arguments) {
  TFileSystem& fs = run.Context.Fs;
  const std::string& first = arguments[1];
  if (IsDirectory(fs, first)) {
    const std::string folder = WithTrailingSlash(first);
    const std::string output = arguments.size() > 2 ? arguments[2] : "";
    const std::string previewFolder =
        output.empty() ? WithTrailingSlash(folder + "Icn Preview") : WithTrailingSlash(output);
    ProcessArchives(fs, generation, folder + generation.PreviewPattern, previewFolder,
                    run.CurrentFile);
    return;
  }
  // Every mistake is reported before anything is unpacked.
  for (size_t i = 1; i < arguments.size(); ++i) CheckArgument(fs, generation, arguments[i]);
  for (size_t i = 1; i < arguments.size(); ++i) {
    ProcessArchives(fs, generation, arguments[i], std::string(), run.CurrentFile);
  }
}

}  // namespace

std::string UnpackerUsageText(const TUnpackerGeneration& generation) {
  const std::string program = generation.ProgramName;
  const std::string executable = ExecutableFileName(program);
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

void ProcessArchives(TFileSystem& fs, const TUnpackerGeneration& generation,
                     const std::string& mask, const std::string& previewFolder,
                     std::string& currentArchive) {
  // A preview folder the run made is removed again when the run fails and
  // leaves it empty.
  TMadeFolders made(fs);
  if (!previewFolder.empty()) {
    CheckWrittenFolder(fs, previewFolder);
    made.Make(previewFolder);  // failures show at the first save
  }
  TZtFindFile find(fs, mask);
  while (find.NextMatch(0, kFindFolder)) {
    if (!IsArchiveName(generation.Format.Generation, find.Name())) continue;
    const std::string& archive = find.FullPath();
    currentArchive = archive;
    if (!previewFolder.empty()) {
      ExportPreview(fs, generation, archive, previewFolder + NameOfPath(archive) + ".bmp");
    } else {
      ExportFrameFolder(fs, generation, archive, FrameFolderOf(archive));
    }
  }
  made.Keep();
}

int RunUnpacker(TToolContext& context, const TUnpackerGeneration& generation,
                const std::vector<std::string>& arguments) {
  TToolDescription tool;
  tool.ProgramName = generation.ProgramName;
  tool.Usage = UnpackerUsageText(generation);
  // ":copyexe". On POSIX the palette goes along: installed, it lives in
  // ../share/icnkit/, where a copy in another folder would not find it.
  tool.CopyCompanions = [&generation](TFileSystem& fs) {
    std::vector<std::string> companions;
#if !defined(_WIN32)
    companions.push_back(PalettePath(fs, generation.Format.Generation));
#else
    (void)fs;
#endif
    return companions;
  };
  tool.Convert = [&generation](TToolRun& run, const std::vector<std::string>& all) {
    RunConversion(run, generation, all);
  };
  return RunTool(context, tool, arguments);
}

}  // namespace icnkit
