#include "support/ZtSelfCopy.h"

#include "support/ZtSysUtils.h"

const char* const kToolVersion = "1.3.1";
const char* const kCreditLines =
    "icnkit: ICN sprite archive tools\r\n"
    "Project page: the icnkit repository (see its README.md)\r\n"
    "Licence: MIT";

namespace {

[[noreturn]] void ThrowCopyFailure(const std::string& target) {
  TZtPlatform& platform = ZtPlatform();
  const uint32_t code = platform.GetLastError();
  const std::string full = platform.GetFullPathName(target);  // empty once the folder is gone
  throw TZtError(ZtFormat("Cannot copy to \"%s\". %s", (full.empty() ? target : full).c_str(),
                          SystemErrorText(code).c_str()));
}

void CopyInto(const std::string& source, const std::string& target) {
  if (source.empty() || !ZtPlatform().CopyFile(source, target, /*failIfExists=*/false)) {
    ThrowCopyFailure(target);
  }
}

}  // namespace

void CopySelfToCurrentFolder(const std::string& programName,
                             const std::vector<std::string>& companions) {
  TZtPlatform& platform = ZtPlatform();
  CopyInto(platform.GetModuleFileName(), platform.ExecutableFileName(programName));
  for (const std::string& companion : companions) CopyInto(companion, NameOfPath(companion));
}
