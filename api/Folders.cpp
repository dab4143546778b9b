// Files and frame folders of the API: the work of "icnkit unpack" and
// "icnkit pack" (api/FolderWork.h) on the native file system, or on the
// in-memory one for a frame folder given as named files.
#include "icnkit/folders.h"

#include <algorithm>
#include <memory>

#include "api/Convert.h"
#include "api/LibraryFileSystem.h"
#include "conventions/WorkImage.h"
#include "folders/FolderWork.h"
#include "format/Detect.h"
#include "format/Text.h"
#include "fs/Files.h"
#include "fs/FindFile.h"
#include "fs/InMemoryFileSystem.h"
#include "fs/Path.h"
#include "unpack/PreviewExport.h"
#include "unpack/UnpackerGeneration.h"

namespace icnkit {

using icnkit_api::Guarded;
using icnkit_api::Internal;

namespace {

// Where the library's in-memory frame folder stands: its files go in the
// current folder, so that messages name them alone ("0003.png").
constexpr const char* kMemoryFolder = "/frames";
constexpr const char* kMemoryArchive = "/archive.icn";

// "(it is H1; pack it with -g h1)", or "(it is H1; pack it as H1)": the
// library's callers name the generation.
TGenerationAdvice ReplacedAdvice(const std::string& option) {
  return [option](TIcnGeneration generation) {
    if (option.empty()) return std::string("pack it as ") + GenerationName(generation);
    std::string advice = "pack it with ";
    advice += option;
    advice += ' ';
    advice += AsciiLower(GenerationName(generation));
    return advice;
  };
}

// The work images a call drew with are freed when it ends, so that no
// thread of the caller's keeps one.
struct TWorkImagesFreed {
  TWorkImagesFreed() = default;
  TWorkImagesFreed(const TWorkImagesFreed&) = delete;
  TWorkImagesFreed& operator=(const TWorkImagesFreed&) = delete;
  ~TWorkImagesFreed() { DiscardWorkImage(); }
};

TFrameOutput OutputOf(const UnpackOptions& options) {
  if (options.format != "bmp" && options.format != "png") {
    throw TZtError("Unknown frame format: " + options.format + " (bmp or png)");
  }
  if (options.transparent && options.format != "png") {
    throw TZtError("transparent needs the png format");
  }
  TFrameOutput output =
      MakeFrameOutput(options.format, options.transparent, Internal(options.palette));
  output.Progress = options.progress;
  return output;
}

// Runs work(file); what it raises leaves as an Error naming file, unless
// its message names it already.
template <class TWork>
auto NamingFile(TWork&& work) {
  std::string file;
  try {
    return work(file);
  } catch (const TZtError& error) {
    if (std::string(error.what()).find(file) != std::string::npos) file.clear();
    icnkit_api::ThrowAsError(file);
  } catch (...) {
    icnkit_api::ThrowAsError(file);
  }
}

size_t Pack(TFileSystem& fs, const TPackPaths& paths, const PackOptions& options) {
  TPackPalettes palettes([&] { return Internal(options.palette); });
  const std::optional<TIcnGeneration> generation =
      options.generation ? std::optional(Internal(*options.generation)) : std::nullopt;
  return NamingFile([&](std::string& file) {
    const size_t frames =
        PackArchiveFolder(fs, paths, generation, palettes, options.remap, options.warning,
                          icnkit_api::GenerationAdvice(options.generation_option),
                          ReplacedAdvice(options.generation_option), file);
    file.clear();  // what the caller's progress raises concerns no file
    if (options.progress) options.progress(frames, frames);
    return frames;
  });
}

}  // namespace

void SaveFile(const std::string& path, std::span<const uint8_t> bytes) {
  Guarded([&] { WithOutput(path, [&](TFileSystem& fs) { SaveArchiveFile(fs, path, bytes); }); });
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  return Guarded([&] { return LoadNamedFile(LibraryFileSystem(), path); });
}

std::string UnpackFile(const std::string& path, const std::string& folder,
                       const UnpackOptions& options) {
  const TWorkImagesFreed freed;
  std::vector<uint8_t> bytes = ReadFile(path);
  return NamingFile([&](std::string& file) {
    const TFrameOutput output = OutputOf(options);
    // A damaged archive's reason names the archive as the file.
    file = path;
    const TIcnGeneration generation =
        options.generation
            ? Internal(*options.generation)
            : TellGeneration(bytes, path, icnkit_api::GenerationAdvice(options.generation_option));
    file.clear();
    std::string target = folder.empty() ? FrameFolderOf(path) : WithTrailingSlash(folder);
    file = path;
    UnpackArchiveFolder(LibraryFileSystem(), bytes, generation, path, target, output);
    return target;
  });
}

void UnpackArchive(const Archive& archive, const std::string& folder,
                   const UnpackOptions& options) {
  const TWorkImagesFreed freed;
  Guarded([&] {
    UnpackArchiveFolder(LibraryFileSystem(), archive.Bytes(), Internal(archive.Generation()),
                        archive.Name(), WithTrailingSlash(folder), OutputOf(options));
  });
}

void WritePreview(const Archive& archive, const std::string& path, const UnpackOptions& options) {
  const TWorkImagesFreed freed;
  Guarded([&] {
    ExportPreview(LibraryFileSystem(), UnpackerGeneration(Internal(archive.Generation())),
                  archive.Name(), archive.Bytes(), path, OutputOf(options));
  });
}

std::vector<NamedFile> UnpackToFiles(const Archive& archive, const UnpackOptions& options) {
  const TWorkImagesFreed freed;
  return Guarded([&] {
    TInMemoryFileSystem fs;
    fs.AddFolder(kMemoryFolder);
    fs.CurrentFolder = kMemoryFolder;
    UnpackArchiveFolder(fs, archive.Bytes(), Internal(archive.Generation()), archive.Name(), "",
                        OutputOf(options));
    std::vector<NamedFile> files;
    const std::string prefix = std::string(kMemoryFolder) + "/";
    for (auto& [key, bytes] : fs.Files)
      files.push_back({key.substr(prefix.size()), std::move(bytes)});
    std::sort(files.begin(), files.end(),
              [](const NamedFile& a, const NamedFile& b) { return NaturalLess(a.name, b.name); });
    return files;
  });
}

std::string PackedArchivePath(const std::string& folder_or_archive) {
  return Guarded([&] { return PackPathsFor(LibraryFileSystem(), folder_or_archive).Archive; });
}

std::string PackFolder(const std::string& folder_or_archive, const std::string& archive_path,
                       const PackOptions& options) {
  TPackPaths paths = Guarded([&] { return PackPathsFor(LibraryFileSystem(), folder_or_archive); });
  if (!archive_path.empty()) paths.Archive = archive_path;
  WithOutput(paths.Archive, [&](TFileSystem& fs) { return Pack(fs, paths, options); });
  return paths.Archive;
}

std::vector<uint8_t> PackFiles(std::span<const NamedFile> files, const PackOptions& options) {
  TInMemoryFileSystem fs;
  Guarded([&] {
    fs.AddFolder(kMemoryFolder);
    fs.CurrentFolder = kMemoryFolder;
    for (const NamedFile& file : files) {
      if (file.name.empty() || file.name != NameOfPath(file.name) || file.name == "." ||
          file.name == "..") {
        throw TZtError("Not a file name of a frame folder: " + file.name);
      }
      fs.AddFile(file.name, file.bytes);
    }
  });
  Pack(fs, TPackPaths{kMemoryArchive, ""}, options);
  return std::move(fs.Files[kMemoryArchive]);
}

}  // namespace icnkit
