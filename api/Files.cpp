// Files, folders and paths of the API (icnkit/files.h): the tools' own
// helpers (fs/, conventions/ArchiveNames.h) on the library's file system.
#include "icnkit/files.h"

#include "api/Convert.h"
#include "api/LibraryFileSystem.h"
#include "conventions/ArchiveNames.h"
#include "fs/Files.h"
#include "fs/FindFile.h"
#include "fs/Path.h"
#include "fs/StreamOutput.h"

namespace icnkit {

using icnkit_api::Guarded;
using icnkit_api::Internal;

namespace {

std::vector<std::string> MatchingArchives(const std::string& mask,
                                          std::optional<Generation> generation) {
  std::vector<std::string> archives;
  TZtFindFile find(LibraryFileSystem(), mask);
  while (find.NextMatch(0, kFindFolder)) {
    if (IsArchiveName(find.Name(), generation)) archives.push_back(find.FullPath());
  }
  return archives;
}

bool IsMask(const std::string& argument) {
  return argument.find_first_of("*?") != std::string::npos;
}

}  // namespace

PathKind KindOfPath(const std::string& path) {
  switch (LibraryFileSystem().Stat(path).Kind) {
    case TPathKind::Missing:
      return PathKind::Missing;
    case TPathKind::File:
      return PathKind::File;
    case TPathKind::Folder:
      return PathKind::Folder;
    case TPathKind::Other:
      break;
  }
  return PathKind::Other;
}

std::string AbsolutePath(const std::string& path) {
  return Guarded([&] { return LibraryFileSystem().FullPath(path); });
}

char PathDelimiter() {
  return NativePathStyle().Delimiter;
}

std::string FolderOfPath(const std::string& path) {
  return DirectoryOfPath(path);
}

std::string FileNameOf(const std::string& path) {
  return NameOfPath(path);
}

std::string ExtensionOf(const std::string& path) {
  return ExtensionOfPath(path);
}

std::string WithExtension(const std::string& path, const std::string& extension) {
  return ReplaceExtension(path, extension);
}

std::string WithTrailingDelimiter(const std::string& path) {
  return path.empty() ? path : WithTrailingSlash(path);
}

bool IsArchiveName(const std::string& name, std::optional<Generation> generation) {
  return IsArchiveName(generation ? Internal(*generation) : TIcnGeneration::H1, name);
}

std::string FrameFolderPath(const std::string& archive) {
  return FrameFolderOf(archive);
}

std::vector<std::string> ArchivesInFolder(const std::string& folder,
                                          std::optional<Generation> generation) {
  return Guarded([&] { return MatchingArchives(WithTrailingSlash(folder) + "*", generation); });
}

std::vector<std::string> FindArchives(std::span<const std::string> arguments,
                                      std::optional<Generation> generation) {
  for (const std::string& argument : arguments) {
    if (!IsMask(argument) && KindOfPath(argument) == PathKind::Missing) {
      throw Error(ErrorKind::NotFound, "No such file or folder: " + argument);
    }
  }
  std::vector<std::string> archives;
  for (const std::string& argument : arguments) {
    std::vector<std::string> found;
    if (IsMask(argument)) {
      found = Guarded([&] { return MatchingArchives(argument, generation); });
    } else if (KindOfPath(argument) == PathKind::Folder) {
      found = ArchivesInFolder(argument, generation);
    } else {
      found = {argument};
    }
    archives.insert(archives.end(), found.begin(), found.end());
  }
  return archives;
}

void CheckWrittenFolder(const std::string& folder) {
  Guarded([&] { CheckWrittenFolder(LibraryFileSystem(), folder); });
}

void WriteFile(const std::string& path, std::span<const uint8_t> bytes) {
  Guarded([&] { SaveWholeFile(LibraryFileSystem(), path, bytes); });
}

struct FileWriter::Impl {
  explicit Impl(const std::string& path)
      : Output(LibraryFileSystem(), kStandardOutput, stdout),
        File(path == kStandardOutput ? Output : LibraryFileSystem(), path) {}
  TStreamOutputFileSystem Output;  // kStandardOutput's file goes to stdout
  TStreamedFile File;
};

FileWriter::FileWriter(std::string path) : path_(std::move(path)) {}

FileWriter::~FileWriter() = default;

void FileWriter::Append(std::span<const uint8_t> bytes) {
  Guarded([&] {
    if (!impl_) impl_ = std::make_unique<Impl>(path_);
    impl_->File.Append(bytes);
  });
}

void FileWriter::Save() {
  Append({});
  Guarded([&] { impl_->File.Save(); });
}

struct MadeFolders::Impl {
  TMadeFolders Made{LibraryFileSystem()};
};

MadeFolders::MadeFolders() : impl_(std::make_unique<Impl>()) {}

MadeFolders::~MadeFolders() = default;

bool MadeFolders::Make(const std::string& folder) {
  return impl_->Made.Make(folder);
}

void MadeFolders::Keep() {
  impl_->Made.Keep();
}

}  // namespace icnkit
