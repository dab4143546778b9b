#include "cli/RunTool.h"

#include <exception>
#include <new>

#include "fs/FileSystem.h"
#include "fs/Path.h"
#include "icnkit/version.h"

namespace icnkit {

const char* const kToolVersion = ICNKIT_VERSION;
const char* const kCreditLines =
    "icnkit: ICN sprite archive tools\r\n"
    "Project page: the icnkit repository (see its README.md)\r\n"
    "Licence: MIT";

namespace {

[[noreturn]] void ThrowCopyFailure(TFileSystem& fs, const std::string& target,
                                   const TSystemError& error) {
  const std::string full = fs.FullPath(target);  // empty once the folder is gone
  throw TZtError(ZtFormat("Cannot copy to \"%s\". %s", (full.empty() ? target : full).c_str(),
                          error.Text.c_str()));
}

void CopyInto(TFileSystem& fs, const std::string& source, const std::string& target) {
  try {
    fs.CopyFile(source, target);
  } catch (const TSystemError& error) {
    ThrowCopyFailure(fs, target, error);
  }
}

}  // namespace

void CopySelfToCurrentFolder(TFileSystem& fs, const std::string& programName,
                             const std::vector<std::string>& companions) {
  const std::string target = ExecutableFileName(programName);
  std::string self;
  try {
    self = fs.ExecutablePath();
  } catch (const TSystemError& error) {
    ThrowCopyFailure(fs, target, error);
  }
  CopyInto(fs, self, target);
  for (const std::string& companion : companions) CopyInto(fs, companion, NameOfPath(companion));
}

std::string ToolErrorText(const std::string& message, const std::string& currentFile) {
  return currentFile.empty() ? message + "." : message + ".\r\n" + currentFile;
}

int RunTool(TToolContext& context, const TToolDescription& tool,
            const std::vector<std::string>& arguments) {
  const auto inform = [&](const std::string& text) {
    return context.Report.Inform(tool.ProgramName, text) ? 0 : 1;
  };
  const std::string first = arguments.size() > 1 ? arguments[1] : "";
  if (first.empty()) return inform(tool.Usage);
  // -h, --help or --version anywhere: the first of them is answered and
  // nothing else is done.
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "-h" || arguments[i] == "--help") return inform(tool.Usage);
    if (arguments[i] == "--version") return inform(tool.Usage.substr(0, tool.Usage.find("\r\n")));
  }
  TToolRun run{context, std::string()};
  try {
    // Letter case counts: ":COPYEXE" is a file name like any other.
    if (first == ":copyexe") {
      CopySelfToCurrentFolder(
          context.Fs, tool.ProgramName,
          tool.CopyCompanions ? tool.CopyCompanions(context.Fs) : std::vector<std::string>());
      return 0;
    }
    tool.Convert(run, arguments);
  } catch (const std::bad_alloc&) {
    context.Report.Fail(tool.ProgramName, ToolErrorText("Out of memory", run.CurrentFile));
    return 1;
  } catch (const TSystemError& error) {
    // The file operations name their file (fs/Files.h); should one slip
    // through, the system's text, never what() with its code.
    context.Report.Fail(tool.ProgramName, ToolErrorText(error.Text, run.CurrentFile));
    return 1;
  } catch (const std::exception& error) {
    context.Report.Fail(tool.ProgramName, ToolErrorText(error.what(), run.CurrentFile));
    return 1;
  }
  // Success that cannot be reported (stdout closed or full) is no success.
  return inform("Operation succesful.");
}

}  // namespace icnkit
