#include "pack/PackerCommandLine.h"

#include <new>
#include <stdexcept>

#include "pack/FrameFolderPack.h"
#include "support/ZtSelfCopy.h"
#include "support/ZtSysUtils.h"

TPackPaths PackPathsFor(const std::string& argument) {
  if (IsDirectory(argument)) {
    return {ReplaceExtension(WithoutTrailingSlash(argument), ""), WithTrailingSlash(argument)};
  }
  TPackPaths paths{argument, argument + ".cadres" + NativePathStyle().Delimiter};
  if (!IsDirectory(paths.Folder)) throw TZtError("Folder doesn't exist: " + paths.Folder);
  return paths;
}

std::string PackerUsageText(const TPackerGeneration& generation) {
  const std::string name = generation.ProgramName;
  const std::string executable = ZtPlatform().ExecutableFileName(name);
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

void CheckOption(const std::string& argument) {
  if (!argument.starts_with('-')) return;
  if (ZtPlatform().GetFileAttributes(argument) != kInvalidFileAttributes) return;
  if (IsDirectory(argument + ".cadres" + NativePathStyle().Delimiter)) return;
  throw TZtError("Unknown option: " + argument + " (try --help)");
}

}  // namespace

void ShowPackError(const TPackerGeneration& generation, const std::string& message) {
  const std::string& frameFile = CurrentFrameFile();
  const std::string text = frameFile.empty() ? message + "." : message + ".\r\n" + frameFile;
  ShowMessageBox(text, generation.ProgramName, kMbIconError);
}

int RunPacker(TIcnGeneration generation, int argc, const char* const* argv) {
  const TPackerGeneration& packer = PackerGeneration(generation);
  const auto inform = [&packer](const std::string& text) {
    return ShowMessageBox(text, packer.ProgramName, kMbIconInformation) != 0 ? 0 : 1;
  };
  const std::string first = argc > 1 ? argv[1] : "";
  if (first.empty() || first == "-h" || first == "--help") return inform(PackerUsageText(packer));
  if (first == "--version") {
    const std::string usage = PackerUsageText(packer);
    return inform(usage.substr(0, usage.find("\r\n")));
  }
  try {
    // Letter case counts: ":COPYEXE" is an archive path like any other.
    if (first == ":copyexe") {
      CopySelfToCurrentFolder(packer.ProgramName);
      return 0;
    }
    // Shells expand "morlet *.icn" into many arguments: each one is packed,
    // once no argument is a mistyped option.
    for (int i = 1; i < argc; ++i) CheckOption(argv[i]);
    for (int i = 1; i < argc; ++i) {
      const TPackPaths paths = PackPathsFor(argv[i]);
      PackFrameFolder(packer, paths.Archive, paths.Folder);
    }
  } catch (const std::bad_alloc&) {
    ShowPackError(packer, "Out of memory");
    return 1;
  } catch (const std::exception& failure) {
    ShowPackError(packer, failure.what());
    return 1;
  }
  // Success that cannot be reported (stdout closed or full) is no success.
  return inform("Operation succesful.");
}
