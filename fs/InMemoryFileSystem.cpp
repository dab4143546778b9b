#include "fs/InMemoryFileSystem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

namespace icnkit {

namespace {

// Keys are spelled with '/' alone.
const TZtPathStyle kKeyStyle = TZtPathStyle::Posix();

[[noreturn]] void Throw(int code, bool opening = false) {
  throw TSystemError(static_cast<uint32_t>(code), NativeErrorText(static_cast<uint32_t>(code)),
                     opening);
}

// Length of a key's root: "/" or "X:/".
size_t RootLength(const std::string& key) {
  const bool drive = key.size() >= 3 && std::isalpha(static_cast<unsigned char>(key[0])) &&
                     key[1] == ':' && key[2] == '/';
  return drive ? 3 : 1;
}

bool IsRoot(const std::string& key) {
  return key.size() == RootLength(key);
}

// The folder holding key; a root is its own parent.
std::string ParentOf(const std::string& key) {
  const size_t root = RootLength(key);
  const size_t slash = key.rfind('/');
  return key.substr(0, slash == std::string::npos || slash < root ? root : slash);
}

}  // namespace

TInMemoryFileSystem::TInMemoryFileSystem(const TZtPathStyle& style) : Style_(style) {
  Folders.insert("/");
}

void TInMemoryFileSystem::AddFolder(const std::string& path) {
  for (std::string key = Key(path); Folders.insert(key).second; key = ParentOf(key)) {
  }
}

void TInMemoryFileSystem::AddFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string key = Key(path);
  AddFolder(ParentOf(key));
  Files[key] = bytes;
}

std::string TInMemoryFileSystem::Key(const std::string& path) {
  const std::string full = FullPath(path);
  return IsRoot(full) ? full : WithoutTrailingSlash(full, kKeyStyle);
}

std::string TInMemoryFileSystem::WithSlashes(const std::string& path) const {
  std::string spelled = path;
  for (char& c : spelled) {
    if (c != ':' && std::strchr(Style_.SplitSet, c) != nullptr) c = '/';
  }
  return spelled;
}

bool TInMemoryFileSystem::HasDrive(const std::string& path) const {
  return std::strchr(Style_.SplitSet, ':') != nullptr && path.size() >= 2 &&
         std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

void TInMemoryFileSystem::NeedParent(const std::string& full, bool opening) {
  const std::string parent = ParentOf(full);
  if (Folders.count(parent) != 0) return;
  Throw(Files.count(parent) != 0 ? ENOTDIR : ENOENT, opening);
}

TPathInfo TInMemoryFileSystem::Stat(const std::string& path) {
  const std::string key = Key(path);
  Enter("Stat", key);
  if (Folders.count(key) != 0) return {TPathKind::Folder, 0};
  const auto file = Files.find(key);
  if (file != Files.end()) return {TPathKind::File, file->second.size()};
  if (Others.count(key) != 0) return {TPathKind::Other, 0};
  return {};
}

std::vector<uint8_t> TInMemoryFileSystem::ReadFile(const std::string& path) {
  const std::string key = Key(path);
  Enter("ReadFile", key);
  if (Folders.count(key) != 0) Throw(EISDIR, true);
  if (Others.count(key) != 0) throw icnkit::TNotRegularFile(path);
  const auto file = Files.find(key);
  if (file == Files.end()) Throw(ENOENT, true);
  return file->second;
}

void TInMemoryFileSystem::NeedFilePlace(const std::string& key) {
  if (Folders.count(key) != 0) Throw(EISDIR, true);
  NeedParent(key, true);
}

// The new file's bytes, kept until Commit puts them at the key whole (as
// the rename of a temporary file would); each step a call that can fail.
class TInMemoryFileSystem::TReplacement : public TFileReplacement {
 public:
  TReplacement(TInMemoryFileSystem& fs, std::string key) : Fs_(fs), Key_(std::move(key)) {}
  void WriteAt(uint64_t offset, std::span<const uint8_t> bytes) override {
    Fs_.Enter("WriteAt", Key_);
    if (offset > SIZE_MAX - bytes.size()) Throw(EFBIG);
    const size_t end = static_cast<size_t>(offset) + bytes.size();
    if (Bytes_.size() < end) Bytes_.resize(end);
    std::copy(bytes.begin(), bytes.end(), Bytes_.begin() + static_cast<ptrdiff_t>(offset));
  }
  void Commit() override {
    Fs_.Enter("Commit", Key_);
    Fs_.NeedFilePlace(Key_);  // a folder made meanwhile
    Fs_.Files[Key_] = std::move(Bytes_);
    Fs_.Changed("write " + Key_);
  }

 private:
  TInMemoryFileSystem& Fs_;
  std::string Key_;
  std::vector<uint8_t> Bytes_;
};

std::unique_ptr<TFileReplacement> TInMemoryFileSystem::StartReplace(const std::string& path,
                                                                    bool /*durable*/) {
  const std::string key = Key(path);
  Enter("BeginReplace", key);
  NeedFilePlace(key);
  return std::make_unique<TReplacement>(*this, key);
}

bool TInMemoryFileSystem::WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) {
  const std::string key = Key(path);
  Enter("WriteNewFile", key);
  if (Folders.count(key) != 0 || Files.count(key) != 0 || Others.count(key) != 0) return false;
  NeedParent(key, true);
  Files[key].assign(bytes.begin(), bytes.end());
  Changed("create " + key);
  return true;
}

TFolderListing TInMemoryFileSystem::ListFolder(const std::string& folder) {
  const std::string key = Key(folder.empty() ? CurrentFolder : folder);
  Enter("ListFolder", key);
  TFolderListing entries;
  if (Folders.count(key) == 0) return entries;
  for (const std::string& name : Folders) {
    if (!IsRoot(name) && ParentOf(name) == key) {
      entries.Add(NameOfPath(name, kKeyStyle), TPathKind::Folder);
    }
  }
  for (const auto& [name, bytes] : Files) {
    if (ParentOf(name) == key) entries.Add(NameOfPath(name, kKeyStyle), TPathKind::File);
  }
  for (const std::string& name : Others) {
    if (ParentOf(name) == key) entries.Add(NameOfPath(name, kKeyStyle), TPathKind::Other);
  }
  return entries;
}

bool TInMemoryFileSystem::MakeFolder(const std::string& path) {
  const std::string key = Key(path);
  Enter("MakeFolder", key);
  if (Folders.count(key) != 0) return false;
  if (Files.count(key) != 0) Throw(EEXIST);
  NeedParent(key, false);
  Folders.insert(key);
  Changed("folder " + key);
  return true;
}

bool TInMemoryFileSystem::Remove(const std::string& path) {
  const std::string key = Key(path);
  Enter("Remove", key);
  if (Folders.count(key) != 0) Throw(EISDIR);
  if (Files.erase(key) == 0) return false;
  Changed("remove " + key);
  return true;
}

bool TInMemoryFileSystem::RemoveFolder(const std::string& path) {
  const std::string key = Key(path);
  Enter("RemoveFolder", key);
  if (Files.count(key) != 0) Throw(ENOTDIR);
  if (Folders.count(key) == 0) return false;
  const auto inside = [&key](const std::string& name) { return ParentOf(name) == key; };
  if (std::any_of(Folders.begin(), Folders.end(),
                  [&](const std::string& name) { return !IsRoot(name) && inside(name); }) ||
      std::any_of(Files.begin(), Files.end(),
                  [&](const auto& file) { return inside(file.first); }) ||
      std::any_of(Others.begin(), Others.end(), inside)) {
    return false;
  }
  Folders.erase(key);
  Changed("unfolder " + key);
  return true;
}

void TInMemoryFileSystem::CopyInto(const std::string& from, const std::string& to) {
  const std::string source = Key(from), target = Key(to);
  Enter("CopyFile", target);
  const auto file = Files.find(source);
  if (file == Files.end()) Throw(Folders.count(source) != 0 ? EISDIR : ENOENT);
  if (source == target) return;
  if (Folders.count(target) != 0) Throw(EISDIR, true);
  NeedParent(target, true);
  Files[target] = file->second;
  Changed("copy " + source + " " + target);
}

// A path with a drive is absolute at that drive's root ("X:a" as well: the
// fake keeps no current folder per drive); one beginning with a delimiter is
// absolute on the current folder's drive, or without a drive.
std::string TInMemoryFileSystem::FullPath(const std::string& path) {
  if (path.empty()) return {};
  const std::string current = WithSlashes(CurrentFolder);
  std::string spelled = WithSlashes(path);
  if (!HasDrive(spelled) && spelled[0] != '/') spelled = current + "/" + spelled;
  if (spelled[0] == '/' && HasDrive(current)) spelled = current.substr(0, 2) + spelled;
  const size_t drive = HasDrive(spelled) ? 2 : 0;
  // Appended, not "/" + a string: GCC 12 at -O3 warns falsely (-Wrestrict)
  // on that concatenation.
  std::string rooted = "/";
  rooted.append(spelled, drive);
  return spelled.substr(0, drive) + NormaliseSlashPath(rooted);
}

std::string TInMemoryFileSystem::ExecutablePath() {
  Enter("ExecutablePath", Executable);
  return Executable;
}

bool TInMemoryFileSystem::IsLinkOfAnotherUser(const std::string& path) {
  return LinksOfOtherUsers.count(Key(path)) != 0;
}

}  // namespace icnkit
