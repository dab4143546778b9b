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

void ShowPackError(const TPackerGeneration& generation, const std::string& message) {
  const std::string& frameFile = CurrentFrameFile();
  const std::string text = frameFile.empty() ? message + "." : message + ".\r\n" + frameFile;
  ShowMessageBox(text, generation.ProgramName, kMbIconError);
}

int RunPacker(TIcnGeneration generation, int argc, const char* const* argv) {
  const TPackerGeneration& packer = PackerGeneration(generation);
  const std::string first = argc > 1 ? argv[1] : "";
  if (first.empty() || first == "-h" || first == "--help") {
    ShowMessageBox(PackerUsageText(packer), packer.ProgramName, kMbIconInformation);
    return 0;
  }
  if (first == "--version") {
    const std::string usage = PackerUsageText(packer);
    ShowMessageBox(usage.substr(0, usage.find("\r\n")), packer.ProgramName, kMbIconInformation);
    return 0;
  }
  // Letter case counts: ":COPYEXE" is an archive path like any other.
  if (first == ":copyexe") return CopySelfToCurrentFolder(packer.ProgramName) ? 0 : 1;

  // Shells expand "morlet *.icn" into many arguments: each one is packed.
  try {
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
  ShowMessageBox("Operation succesful.", packer.ProgramName, kMbIconInformation);
  return 0;
}
