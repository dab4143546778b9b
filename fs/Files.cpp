// Whole-file helpers over a TFileSystem.
#include "fs/Files.h"

#include "fs/Path.h"

namespace {

// MakeFolders, keeping the error of the failing step (0: none known).
bool MakeFoldersKeepingError(TFileSystem& fs, const std::string& folder, uint32_t& code) {
  if (folder.empty() || IsDirectory(fs, folder)) return true;
  const std::string full = fs.FullPath(folder);
  if (full.empty()) return false;
  const std::string parent = DirectoryOfPath(WithoutTrailingSlash(full));
  // A root is its own parent: nothing left to create.
  if (parent == folder) return true;
  if (!MakeFoldersKeepingError(fs, parent, code)) return false;
  try {
    fs.MakeFolder(full);  // false: made meanwhile, which is as good
    return true;
  } catch (const TSystemError& e) {
    code = e.Code;
    return false;
  }
}

[[noreturn]] void ThrowCannotCreate(TFileSystem& fs, const std::string& path,
                                    const std::string& text) {
  std::string full = fs.FullPath(path);
  if (full.empty()) full = path;
  throw TZtError(ZtFormat("Cannot create file \"%s\". %s", full.c_str(), text.c_str()));
}

}  // namespace

bool IsDirectory(TFileSystem& fs, const std::string& path) {
  return fs.Stat(path).Kind == TPathKind::Folder;
}

bool MakeFolders(TFileSystem& fs, const std::string& folder) {
  uint32_t code = 0;
  return MakeFoldersKeepingError(fs, folder, code);
}

void LoadWholeFile(TFileSystem& fs, const std::string& path, std::vector<uint8_t>& bytes) {
  bytes = fs.ReadFile(path);
}

void SaveWholeFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes,
                   bool durable) {
  // A folder of that name is reported by WriteFileAtomic with the system's
  // code for it; the folders above it are made here.
  uint32_t code = 0;
  if (!IsDirectory(fs, path) && !MakeFoldersKeepingError(fs, DirectoryOfPath(path), code)) {
    ThrowCannotCreate(fs, path, code == 0 ? std::string() : NativeErrorText(code));
  }
  try {
    fs.WriteFileAtomic(path, bytes, durable);
  } catch (const TSystemError& e) {
    if (e.Opening) ThrowCannotCreate(fs, path, e.Text);
    throw;
  }
}

void SaveNewOrReplaceFile(TFileSystem& fs, const std::string& path,
                          std::span<const uint8_t> bytes) {
  try {
    if (fs.WriteNewFile(path, bytes)) return;
  } catch (const TSystemError& e) {
    // Not created at all: SaveWholeFile makes the missing folders, or fails
    // as it always has, naming the file.
    if (!e.Opening) throw;
  }
  SaveWholeFile(fs, path, bytes);
}

std::string ApplicationFolder(TFileSystem& fs) {
  return DirectoryOfPath(fs.ExecutablePath());
}
