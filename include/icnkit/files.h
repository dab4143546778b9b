// Files, folders and paths as the icnkit tool finds, names and writes them,
// for a program that works on many archives the way it does: the archives
// its arguments name, the folders it writes into, a file written whole or
// as it is made, and where a file's bytes go when not to a path.
//
// Paths are UTF-8 strings in the platform's style ('/' on POSIX; '\' or
// '/' on Windows), relative ones taken against the current folder. Every
// function that fails throws icnkit::Error with the tools' message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "icnkit/export.h"
#include "icnkit/generation.h"

namespace icnkit {

// Receives a file's bytes in order, in pieces each valid during the call.
using ByteSink = std::function<void(std::span<const uint8_t> bytes)>;
// Told, as work goes on, the frames done of the total.
using ProgressHandler = std::function<void(size_t done, size_t total)>;

// The path that stands for standard output where one archive or one file
// is written (SaveFile, PackFolder, PackSheetFile, FileWriter): "-", as
// "icnkit pack -o -" takes it; a file of that name is "./-".
inline constexpr const char* kStandardOutput = "-";

enum class PathKind { Missing, File, Folder, Other /* a device, pipe or socket */ };

// What path names, links followed: Missing when nothing is there or it
// cannot be looked at. Never throws.
ICNKIT_API PathKind KindOfPath(const std::string& path);

// path made absolute against the current folder and normalised lexically
// ("a/./b/../c" -> "<current folder>/a/c"), no file looked at: the one
// spelling of a place, to tell whether two paths name it.
ICNKIT_API std::string AbsolutePath(const std::string& path);

// The platform's path delimiter: '/' on POSIX, '\' on Windows.
ICNKIT_API char PathDelimiter();
// path up to and including its last delimiter ("" for a bare name).
ICNKIT_API std::string FolderOfPath(const std::string& path);
// path after its last delimiter: "x/a.icn" -> "a.icn".
ICNKIT_API std::string FileNameOf(const std::string& path);
// The last extension of path's name, dot included ("" for none).
ICNKIT_API std::string ExtensionOf(const std::string& path);
// path with its name's last extension replaced by extension ("" drops it).
ICNKIT_API std::string WithExtension(const std::string& path, const std::string& extension);
// path ending in one delimiter ("" stays "", the current folder).
ICNKIT_API std::string WithTrailingDelimiter(const std::string& path);

// Whether name has an archive's extension: H2's is ".icn", H1's ".icn",
// ".obj", ".atk", ".std", ".wlk", ".wip", ".xtl", in any letter case; none
// given: H1's, which include H2's.
ICNKIT_API bool IsArchiveName(const std::string& name,
                              std::optional<Generation> generation = std::nullopt);

// The frame folder of an archive, ending in the delimiter: "x/a.icn" ->
// "x/a.icn.cadres/".
ICNKIT_API std::string FrameFolderPath(const std::string& archive);

// The archives of folder (IsArchiveName; folders and other files
// skipped), in natural order ("2.icn" before "10.icn").
ICNKIT_API std::vector<std::string> ArchivesInFolder(
    const std::string& folder, std::optional<Generation> generation = std::nullopt);

// The archives arguments name, in order, as "icnkit info a.icn '*.icn'
// sprites/" takes them: a file as it is, whatever its extension; a
// folder's archives (ArchivesInFolder); a mask's ('*' and '?' in the
// name) matching archives, which may be none. Throws Error (NotFound) "No
// such file or folder: <argument>" for a plain name of nothing, before any
// folder is listed.
ICNKIT_API std::vector<std::string> FindArchives(
    std::span<const std::string> arguments, std::optional<Generation> generation = std::nullopt);

// Refuses folder, one to be written into, when a link of another user
// stands at its name: in a shared folder it could send the files into
// someone else's. Throws Error "Not following a link owned by another
// user: <folder>". The user's own links and the administrator's are
// followed (POSIX; Windows follows every link).
ICNKIT_API void CheckWrittenFolder(const std::string& folder);

// Writes bytes as the file at path, whole or not at all (a temporary file
// beside it renamed over it; a link at path is replaced, not written
// through), its folders made first: how the tools write the files they
// name themselves (frames, sheets, pages). Throws Error "Cannot create
// file "<full path>". <reason>", "Not a regular file: <path>" for a
// device, pipe or socket there, having written nothing.
ICNKIT_API void WriteFile(const std::string& path, std::span<const uint8_t> bytes);

// WriteFile for a file written as it is made, never whole in memory: the
// replacement is begun by the first Append, Save puts it in place (path
// kStandardOutput: standard output). Destroyed without Save (an exception
// passing), what was written is removed and the file at path stays as it
// was. Not for several threads at once.
class ICNKIT_API FileWriter {
 public:
  explicit FileWriter(std::string path);
  ~FileWriter();
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;
  void Append(std::span<const uint8_t> bytes);
  // Puts the file in place (an empty one when nothing was appended).
  void Save();

 private:
  struct Impl;
  std::string path_;
  std::unique_ptr<Impl> impl_;
};

// The folders a piece of work made, taken back when it fails: unless
// Keep() was called, the destructor removes those still empty, innermost
// first. A folder that existed before is never touched, nor one something
// was put into. Never throws.
class ICNKIT_API MadeFolders {
 public:
  MadeFolders();
  ~MadeFolders();
  MadeFolders(const MadeFolders&) = delete;
  MadeFolders& operator=(const MadeFolders&) = delete;
  // Makes folder and its missing parents, noting those it made; whether the
  // folder exists afterwards.
  bool Make(const std::string& folder);
  // The work succeeded: every folder made stays.
  void Keep();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace icnkit
