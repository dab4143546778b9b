#include "pack/ReplacedArchive.h"

#include <optional>
#include <vector>

#include "format/Detect.h"
#include "format/Error.h"

namespace icnkit {

namespace {

const char* NameOf(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? "H1" : "H2";
}

// The generation the archive at path has with certainty, told by its
// header and table alone (format/Detect.h TableFitsGeneration: at most
// 852 KB read, whatever the archive's size); none when it is missing, no
// regular file, unreadable or fits both or neither.
std::optional<TIcnGeneration> CertainGeneration(TFileSystem& fs, const std::string& path) {
  if (fs.Stat(path).Kind != TPathKind::File) return std::nullopt;
  try {
    uint64_t size = 0;
    const std::vector<uint8_t> head = fs.ReadFileHead(path, icnkit::kMaxHeadAndTable, size);
    const bool h1 = icnkit::TableFitsGeneration(head, size, TIcnGeneration::H1);
    const bool h2 = icnkit::TableFitsGeneration(head, size, TIcnGeneration::H2);
    if (h1 == h2) return std::nullopt;
    return h1 ? TIcnGeneration::H1 : TIcnGeneration::H2;
  } catch (...) {
    return std::nullopt;  // the pack itself reports what is wrong with the file
  }
}

}  // namespace

void CheckReplacedGeneration(TFileSystem& fs, const std::string& archivePath,
                             TIcnGeneration generation,
                             const std::function<std::string(TIcnGeneration)>& advice) {
  const std::optional<TIcnGeneration> found = CertainGeneration(fs, archivePath);
  if (!found || *found == generation) return;
  throw TZtError(ZtFormat("Not an %s archive: %s (it is %s; %s)", NameOf(generation),
                          archivePath.c_str(), NameOf(*found), advice(*found).c_str()));
}

}  // namespace icnkit
