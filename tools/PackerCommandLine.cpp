#include "tools/PackerCommandLine.h"

#include "cli/RunTool.h"
#include "conventions/ArchiveNames.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "pack/FrameFolderPack.h"
#include "pack/ReplacedArchive.h"

namespace icnkit {

std::string PackerUsageText(const TPackerGeneration& generation) {
  const std::string name = generation.ProgramName;
  const std::string executable = ExecutableFileName(name);
  return name + " v" + kToolVersion + "\r\n" +                                           //
         "Usage 1:  " + executable + " Target.icn\r\n" +                                 //
         "Usage 2:  " + executable + " Target.icn.cadres\r\n" +                          //
         "Creates \"Target.icn\" using frames from \"Target.icn.cadres\" folder.\r\n" +  //
         "\r\n" +                                                                        //
         "You can simply create a desktop shortcut for " + name +
         " and drag files or folders you want to pack onto it.\r\n" +  //
         "\r\n" + kCreditLines;
}

namespace {

void CheckOption(TFileSystem& fs, const std::string& argument) {
  if (!argument.starts_with('-')) return;
  if (fs.Stat(argument).Kind != TPathKind::Missing) return;
  if (IsDirectory(fs, FrameFolderOf(argument))) return;
  throw TZtError("Unknown option: " + argument + " (try --help)");
}

// "(it is H1; pack it with morlet)": the other tool, as it is called.
std::string OtherPacker(TIcnGeneration generation) {
  return "pack it with " + ExecutableFileName(PackerGeneration(generation).ProgramName);
}

// Shells expand "morlet *.icn" into many arguments: each one is packed,
// once no argument is a mistyped option, unless the archive it would
// replace is one of the other generation (pack/ReplacedArchive.h).
void PackArguments(TToolRun& run, const TPackerGeneration& packer,
                   const std::vector<std::string>& arguments) {
  TFileSystem& fs = run.Context.Fs;
  for (size_t i = 1; i < arguments.size(); ++i) CheckOption(fs, arguments[i]);
  for (size_t i = 1; i < arguments.size(); ++i) {
    const TPackPaths paths = PackPathsFor(fs, arguments[i]);
    CheckReplacedGeneration(fs, paths.Archive, packer.Format.Generation, OtherPacker);
    PackFrameFolder(fs, packer, paths.Archive, paths.Folder, run.CurrentFile);
  }
}

}  // namespace

int RunPacker(TToolContext& context, TIcnGeneration generation,
              const std::vector<std::string>& arguments) {
  const TPackerGeneration& packer = PackerGeneration(generation);
  TToolDescription tool;
  tool.ProgramName = packer.ProgramName;
  tool.Usage = PackerUsageText(packer);
  tool.Convert = [&packer](TToolRun& run, const std::vector<std::string>& all) {
    PackArguments(run, packer, all);
  };
  return RunTool(context, tool, arguments);
}

}  // namespace icnkit
