// TZtFindFile over the platform's directory listing: one matcher and one
// order on every platform.
#include "support/ZtFindFile.h"

#include <algorithm>

#include "support/ZtSysUtils.h"

TZtFindFile::TZtFindFile(const std::string& mask) : Folder_(DirectoryOfPath(mask)) {
  const std::string pattern = NameOfPath(mask);
  std::vector<TZtDirEntry> all;
  switch (ZtPlatform().ListDirectory(Folder_, &all)) {
    case TZtListResult::Ok:
      break;
    case TZtListResult::NotFound:
      return;  // a missing folder: nothing found, no error
    case TZtListResult::Failed:
      ThrowSystemError();
  }
  for (TZtDirEntry& entry : all) {
    if (MaskMatches(pattern, entry.Name)) Entries_.push_back(std::move(entry));
  }
  std::sort(Entries_.begin(), Entries_.end(),
            [](const TZtDirEntry& a, const TZtDirEntry& b) { return NaturalLess(a.Name, b.Name); });
  Found_ = !Entries_.empty();
}

bool TZtFindFile::Advance() {
  Advanced_ = true;
  CachedFullPath_.clear();
  if (Found_) ++Index_;
  Found_ = Index_ < Entries_.size();
  return Found_;
}

namespace {
bool IsDotEntry(const std::string& name) {
  return name == "." || name == "..";
}
}  // namespace

bool TZtFindFile::SkipToMatch(uint32_t required, uint32_t excluded) {
  while (Found_) {
    const TZtDirEntry& entry = Entries_[Index_];
    if ((entry.Attributes & (required | excluded)) == required && !IsDotEntry(entry.Name)) break;
    Advance();
  }
  return Found_;
}

bool TZtFindFile::NextMatch(uint32_t required, uint32_t excluded) {
  if (Advanced_) Advance();
  Advanced_ = true;
  return SkipToMatch(required, excluded);
}

const std::string& TZtFindFile::Name() const {
  static const std::string empty;
  return Found_ ? Entries_[Index_].Name : empty;
}

uint32_t TZtFindFile::Attributes() const {
  return Found_ ? Entries_[Index_].Attributes : 0;
}

const std::string& TZtFindFile::FullPath() {
  if (Found_ && CachedFullPath_.empty()) CachedFullPath_ = Folder_ + Entries_[Index_].Name;
  if (!Found_) CachedFullPath_.clear();
  return CachedFullPath_;
}
