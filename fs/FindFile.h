// TZtFindFile: walks the entries of a folder that match a file mask.
//
// The mask is a path whose last component may hold '*' (any run) and '?'
// (exactly one character); ASCII letters match regardless of case, and a
// pattern ending in ".*" also matches names without a dot ("*.*" matches
// every name). Entries are handed out in natural order (see NaturalLess), one
// deterministic order on every platform, so archives are processed in a
// human order and frame 10000.bmp follows 9999.bmp.
//
// Loop of the tools:
//   TZtFindFile find(fs, mask);
//   while (find.NextMatch(0, kFindFolder)) use(find.Name(), find.FullPath());
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fs/FileSystem.h"

namespace icnkit {

// True when name matches the wildcard pattern (rules above).
bool MaskMatches(std::string_view pattern, std::string_view name);

// Natural order: ASCII case-insensitive, runs of digits compared by numeric
// value (equal values: the shorter run first), then plain byte order as the
// last tie-break. A strict weak ordering (in fact a total order on strings).
bool NaturalLess(std::string_view a, std::string_view b);

// The attribute bits of an entry as NextMatch tests them (the values of the
// Windows attributes the tools were written around).
inline constexpr uint32_t kFindFolder = 0x10;
inline constexpr uint32_t kFindFile = 0x80;
// A pipe, device or socket (TPathKind::Other), kept only by a find asked to
// keep every kind.
inline constexpr uint32_t kFindOther = 0x40;

// What a find keeps of the folder's entries besides the mask's test: files
// and folders (a listing, which skips pipes and devices quietly), or every
// entry (a caller that must refuse a pipe where it expects a file).
enum class TFindKinds { FilesAndFolders, All };

class TZtFindFile {
 public:
  // Lists the folder of the mask (DirectoryOfPath; the current folder when
  // empty) and keeps the files and folders (no pipes, devices, sockets,
  // unless kinds is All) whose names match NameOfPath(mask), sorted
  // naturally. A missing folder, or a path through a file, gives no
  // entries; any other failure raises "Cannot open folder "<full path>".
  // <the system's text>".
  TZtFindFile(TFileSystem& fs, const std::string& mask,
              TFindKinds kinds = TFindKinds::FilesAndFolders);
  virtual ~TZtFindFile() = default;

  // The tools' loop step: true when standing on a matching entry. An entry
  // matches when (Attributes() & (required | excluded)) == required.
  bool NextMatch(uint32_t required, uint32_t excluded);
  // Back before the first entry, as just constructed: the loop can walk the
  // same entries again.
  void Rewind();

  // The current entry's name and attributes (kFindFolder, kFindFile or
  // kFindOther; empty / 0 when exhausted).
  const std::string& Name() const;
  uint32_t Attributes() const;
  // Folder of the mask followed by the current name; empty when exhausted.
  // Built once per entry.
  const std::string& FullPath();

 private:
  // Moves to the next raw entry; false when exhausted.
  bool Advance();
  // Stays on the current entry if it matches, else moves on until one does.
  bool SkipToMatch(uint32_t required, uint32_t excluded);
  // Moves to entry index (Found_ when there is one) and names it.
  void MoveTo(size_t index);

  std::string Folder_;
  // The folder's listing, filtered and sorted where it stands: a folder of
  // 65,535 frames is listed once, in about 1 MB, and its names not copied.
  TFolderListing Entries_;
  size_t Index_ = 0;
  bool Found_ = false;
  bool Advanced_ = false;
  std::string CurrentName_;
  std::string CachedFullPath_;
};

}  // namespace icnkit
