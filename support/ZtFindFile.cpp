// The constructor of TZtFindFile over the platform layer. To be removed
// when its callers (unpack/UnpackerCommandLine.cpp, pack/FrameFolderPack.cpp)
// pass a TFileSystem.
#include "support/ZtFindFile.h"

#include "support/ZtSysUtils.h"

TZtFindFile::TZtFindFile(const std::string& mask) : Folder_(DirectoryOfPath(mask)) {
  std::vector<TZtDirEntry> listed;
  switch (ZtPlatform().ListDirectory(Folder_, &listed)) {
    case TZtListResult::Ok:
      break;
    case TZtListResult::NotFound:
      return;  // a missing folder: nothing found, no error
    case TZtListResult::Failed:
      ThrowSystemError();
  }
  std::vector<TFolderEntry> all;
  for (TZtDirEntry& entry : listed) {
    if (entry.Name == "." || entry.Name == "..") continue;
    const bool folder = (entry.Attributes & kFileAttributeDirectory) != 0;
    all.push_back({std::move(entry.Name), folder ? TPathKind::Folder : TPathKind::File});
  }
  Keep(NameOfPath(mask), std::move(all));
}
