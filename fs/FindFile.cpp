// Wildcard matching, natural ordering of file names, and TZtFindFile over
// a TFileSystem's folder listing: one matcher and one order on every
// platform.
#include "fs/FindFile.h"

#include <algorithm>

#include "fs/Path.h"

namespace icnkit {

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// '*' and '?' over ASCII-case-folded bytes. Greedy with one backtrack point
// per star: O(pattern x name) at worst, no recursion.
bool WildcardMatches(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0;
  size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MaskMatches(std::string_view pattern, std::string_view name) {
  if (WildcardMatches(pattern, name)) return true;
  // "x.*" also names "x": the dot and any extension are optional, as
  // users of "*.*" expect every file to be found.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return WildcardMatches(pattern.substr(0, pattern.size() - 2), name);
  }
  return false;
}

bool NaturalLess(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t endA = i, endB = j;
      while (endA < a.size() && IsDigit(a[endA])) ++endA;
      while (endB < b.size() && IsDigit(b[endB])) ++endB;
      size_t startA = i, startB = j;
      while (startA + 1 < endA && a[startA] == '0') ++startA;
      while (startB + 1 < endB && b[startB] == '0') ++startB;
      const size_t digitsA = endA - startA, digitsB = endB - startB;
      if (digitsA != digitsB) return digitsA < digitsB;
      const int byValue = a.substr(startA, digitsA).compare(b.substr(startB, digitsB));
      if (byValue != 0) return byValue < 0;
      // Equal values: the shorter run ("7" before "007").
      if (endA - i != endB - j) return endA - i < endB - j;
      i = endA;
      j = endB;
      continue;
    }
    const char ca = LowerAscii(a[i]), cb = LowerAscii(b[j]);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return j < b.size() && i >= a.size();
  // Equal up to case and leading zeros: plain byte order decides.
  return a < b;
}

namespace {

// The folder's listing; a failure names the folder.
TFolderListing ListNamedFolder(TFileSystem& fs, const std::string& folder) {
  try {
    return fs.ListFolder(folder);
  } catch (const TSystemError& error) {
    std::string full = fs.FullPath(folder.empty() ? "." : folder);
    if (full.empty()) full = folder;
    throw TZtError(ZtFormat("Cannot open folder \"%s\". %s", full.c_str(), error.Text.c_str()),
                   error.Kind);
  }
}

}  // namespace

TZtFindFile::TZtFindFile(TFileSystem& fs, const std::string& mask, TFindKinds kinds)
    : Folder_(DirectoryOfPath(mask)), Entries_(ListNamedFolder(fs, Folder_)) {
  const std::string pattern = NameOfPath(mask);
  const bool keepOthers = kinds == TFindKinds::All;
  Entries_.EraseIf([&](std::string_view name, TPathKind kind) {
    // Unless asked for, only files and folders: a pipe or device is never read.
    return (kind == TPathKind::Other && !keepOthers) || !MaskMatches(pattern, name);
  });
  Entries_.Sort(NaturalLess);
  MoveTo(0);
}

void TZtFindFile::MoveTo(size_t index) {
  Index_ = index;
  Found_ = Index_ < Entries_.size();
  CachedFullPath_.clear();
  if (Found_) {
    CurrentName_ = Entries_.Name(Index_);
  } else {
    CurrentName_.clear();
  }
}

void TZtFindFile::Rewind() {
  Advanced_ = false;
  MoveTo(0);
}

bool TZtFindFile::Advance() {
  Advanced_ = true;
  MoveTo(Found_ ? Index_ + 1 : Index_);
  return Found_;
}

bool TZtFindFile::SkipToMatch(uint32_t required, uint32_t excluded) {
  while (Found_) {
    if ((Attributes() & (required | excluded)) == required) break;
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
  return CurrentName_;
}

uint32_t TZtFindFile::Attributes() const {
  if (!Found_) return 0;
  switch (Entries_.Kind(Index_)) {
    case TPathKind::Folder:
      return kFindFolder;
    case TPathKind::Other:
      return kFindOther;
    default:
      return kFindFile;
  }
}

const std::string& TZtFindFile::FullPath() {
  if (Found_ && CachedFullPath_.empty()) CachedFullPath_ = Folder_ + CurrentName_;
  return CachedFullPath_;
}

}  // namespace icnkit
