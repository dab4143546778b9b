// Whole-file helpers over a TFileSystem.
#include "fs/Files.h"

#include <utility>

#include "fs/Path.h"

namespace icnkit {

namespace {

// What stopped MakeFolders: the error of the failing step (0: none known)
// and, when a part of the path is a file rather than a folder, that part
// (its full path).
struct TFolderFailure {
  uint32_t Code = 0;
  std::string NotFolder;
};

// Makes the folders of a path, walking full paths (lexically normalised,
// so "a/x/../b" makes no "a/x"), but giving the system each one relative to
// the current folder when it lies in it: a folder deeper than the system
// takes in one path (4096 bytes) is reached as the user reached it.
class TFolderMaker {
 public:
  // made, when given, receives each folder made, outermost first.
  TFolderMaker(TFileSystem& fs, TFolderFailure& failure, std::vector<std::string>* made)
      : Fs_(fs), Failure_(failure), Made_(made), Here_(fs.FullPath(".")) {
    if (!Here_.empty()) Here_ = WithTrailingSlash(Here_);
  }

  bool Make(const std::string& full) {
    const std::string local = Local(full);
    if (IsDirectory(Fs_, local)) return true;
    const std::string parent = DirectoryOfPath(WithoutTrailingSlash(full));
    // A root is its own parent: nothing left to create.
    if (parent.empty() || parent == full) return true;
    if (!Make(parent)) return false;
    try {
      // false: made meanwhile, which is as good, but not ours to remove.
      if (Fs_.MakeFolder(local) && Made_ != nullptr) Made_->push_back(local);
      return true;
    } catch (const TSystemError& e) {
      Failure_.Code = e.Code;
      // "x/" of a file x is nothing at all; "x" is the file.
      if (Fs_.Stat(WithoutTrailingSlash(local)).Kind != TPathKind::Missing) {
        Failure_.NotFolder = WithoutTrailingSlash(full);
      }
      return false;
    }
  }

 private:
  // full, relative to the current folder when it lies in it.
  std::string Local(const std::string& full) const {
    if (Here_.empty()) return full;
    if (full.size() + 1 >= Here_.size() && Here_.compare(0, full.size(), full) == 0) return "./";
    if (full.compare(0, Here_.size(), Here_) == 0) return full.substr(Here_.size());
    return full;
  }

  TFileSystem& Fs_;
  TFolderFailure& Failure_;
  std::vector<std::string>* Made_;
  std::string Here_;  // the current folder with its trailing delimiter; empty: gone
};

// MakeFolders, keeping what stopped it and, when made is given, what it made.
bool MakeFoldersKeepingError(TFileSystem& fs, const std::string& folder, TFolderFailure& failure,
                             std::vector<std::string>* made = nullptr) {
  if (folder.empty() || IsDirectory(fs, folder)) return true;
  const std::string full = fs.FullPath(folder);
  if (full.empty()) return false;
  return TFolderMaker(fs, failure, made).Make(full);
}

[[noreturn]] void ThrowCannotCreate(TFileSystem& fs, const std::string& path,
                                    const std::string& text) {
  std::string full = fs.FullPath(path);
  if (full.empty()) full = path;
  throw TCannotCreateFile(full, text);
}

}  // namespace

TCannotCreateFile::TCannotCreateFile(const std::string& fullPath, std::string reason)
    : TZtError(ZtFormat("Cannot create file \"%s\". %s", fullPath.c_str(), reason.c_str()),
               TZtErrorKind::System),
      Reason(std::move(reason)) {}

bool IsDirectory(TFileSystem& fs, const std::string& path) {
  return fs.Stat(path).Kind == TPathKind::Folder;
}

bool MakeFolders(TFileSystem& fs, const std::string& folder) {
  TFolderFailure failure;
  return MakeFoldersKeepingError(fs, folder, failure);
}

TMadeFolders::~TMadeFolders() {
  // Innermost first; a folder not empty stays, and so will those above it,
  // but not the other chains of folders made (several Make calls).
  for (auto folder = Made_.rbegin(); folder != Made_.rend(); ++folder) {
    try {
      Fs_.RemoveFolder(*folder);
    } catch (...) {  // a destructor never throws; the folder stays
    }
  }
}

bool TMadeFolders::Make(const std::string& folder) {
  TFolderFailure failure;
  return MakeFoldersKeepingError(Fs_, folder, failure, &Made_);
}

void CheckWrittenFolder(TFileSystem& fs, const std::string& folder) {
  if (fs.IsLinkOfAnotherUser(folder)) {
    throw TZtError("Not following a link owned by another user: " + WithoutTrailingSlash(folder));
  }
}

void LoadWholeFile(TFileSystem& fs, const std::string& path, std::vector<uint8_t>& bytes) {
  bytes = fs.ReadFile(path);
}

std::vector<uint8_t> LoadNamedFile(TFileSystem& fs, const std::string& path) {
  try {
    return fs.ReadFile(path);
  } catch (const TSystemError& error) {
    std::string full = fs.FullPath(path);
    if (full.empty()) full = path;
    throw TZtError(ZtFormat("Cannot %s file \"%s\". %s", error.Opening ? "open" : "read",
                            full.c_str(), error.Text.c_str()),
                   error.Kind);
  }
}

TStreamedFile::TStreamedFile(TFileSystem& fs, const std::string& path, bool durable,
                             const std::string& named)
    : Fs_(fs), Named_(named.empty() ? path : named) {
  // A folder of that name is reported by BeginReplace with the system's
  // code for it; the folders above it are made here.
  TFolderFailure failure;
  if (!IsDirectory(fs, path) && !MakeFoldersKeepingError(fs, DirectoryOfPath(path), failure)) {
    if (!failure.NotFolder.empty()) {
      throw TZtError("Not a folder: " + failure.NotFolder, TZtErrorKind::System);
    }
    ThrowCannotCreate(fs, Named_,
                      failure.Code == 0 ? std::string() : NativeErrorText(failure.Code));
  }
  try {
    File_ = fs.BeginReplace(path, durable);
  } catch (const TSystemError& e) {
    Fail(e);
  } catch (const icnkit::TNotRegularFile&) {
    throw icnkit::TNotRegularFile(Named_);
  }
}

void TStreamedFile::Append(std::span<const uint8_t> bytes) {
  try {
    File_->WriteAt(Size_, bytes);
  } catch (const TSystemError& e) {
    Fail(e);
  }
  Size_ += bytes.size();
}

void TStreamedFile::Save() {
  try {
    File_->Commit();
  } catch (const TSystemError& e) {
    Fail(e);
  }
}

void TStreamedFile::Fail(const TSystemError& error) const {
  ThrowCannotCreate(Fs_, Named_, error.Text);
}

void SaveWholeFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes,
                   bool durable) {
  TStreamedFile file(fs, path, durable);
  file.Append(bytes);
  file.Save();
}

std::string FollowedArchiveLinks(TFileSystem& fs, const std::string& path) {
  std::string target = fs.ResolveLinks(path);
  CheckWrittenFolder(fs, target);
  return target;
}

void SaveArchiveFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes) {
  TStreamedFile file(fs, icnkit::FollowedArchiveLinks(fs, path), /*durable=*/true, path);
  file.Append(bytes);
  file.Save();
}

TArchiveFileOutput::TArchiveFileOutput(TFileSystem& fs, std::string path)
    : Fs_(fs), Path_(std::move(path)) {
  // The folder is not made here: a pack that fails leaves none behind.
  // Whatever stops the file from being begun (a link of another user, no
  // regular file there, a failure of the system), Save tries again, and
  // names it then.
  try {
    const std::string target = icnkit::FollowedArchiveLinks(fs, Path_);
    const std::string folder = DirectoryOfPath(target);
    if ((!folder.empty() && !IsDirectory(fs, folder)) || IsDirectory(fs, target)) return;
    File_ = fs.BeginReplace(target, /*durable=*/true);
  } catch (const TZtError&) {
    File_.reset();
  }
}

void TArchiveFileOutput::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
  if (Failure_ != nullptr) return;
  try {
    File_->WriteAt(offset, bytes);
  } catch (const TSystemError& e) {
    Failure_ = std::make_unique<TSystemError>(e);
    File_.reset();
  }
}

void TArchiveFileOutput::Save(std::span<const uint8_t> whole) {
  if (Failure_ == nullptr && File_ == nullptr) {
    SaveArchiveFile(Fs_, Path_, whole);
    return;
  }
  try {
    if (Failure_ != nullptr) throw TSystemError(*Failure_);
    File_->Commit();
  } catch (const TSystemError& e) {
    ThrowCannotCreate(Fs_, Path_, e.Text);
  }
}

void SaveNewOrReplaceFile(TFileSystem& fs, const std::string& path,
                          std::span<const uint8_t> bytes) {
  try {
    if (fs.WriteNewFile(path, bytes)) return;
  } catch (const TSystemError& e) {
    // Not created at all: SaveWholeFile makes the missing folders, or fails
    // as it always has, naming the file. Created and removed again (a full
    // disk): named like every other write failure.
    if (!e.Opening) ThrowCannotCreate(fs, path, e.Text);
  }
  SaveWholeFile(fs, path, bytes);
}

std::string ApplicationFolder(TFileSystem& fs) {
  try {
    return DirectoryOfPath(fs.ExecutablePath());
  } catch (const TSystemError& e) {
    throw TZtError("Cannot find the program's own folder. " + e.Text);
  }
}

}  // namespace icnkit
