#include "support/ZtSelfCopy.h"

#include "support/ZtSysUtils.h"

const char* const kToolVersion = "1.3.1";
const char* const kCreditLines =
    "icnkit: ICN sprite archive tools\r\n"
    "Project page: the icnkit repository (see its README.md)\r\n"
    "Licence: MIT";

bool CopySelfToCurrentFolder(const std::string& programName) {
  TZtPlatform& platform = ZtPlatform();
  const std::string self = platform.GetModuleFileName();
  const std::string target = platform.ExecutableFileName(programName);
  if (self.empty()) return false;
  platform.CopyFile(self, target, /*failIfExists=*/false);
  return platform.GetFileAttributes(target) != kInvalidFileAttributes;
}
