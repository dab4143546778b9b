// Files and frame folders: what "icnkit unpack" and "icnkit pack" do, on
// the disk or with the frame folder in memory, running the same code as
// the tools, so the bytes are the tools' bytes.
//
// A frame folder holds one file a frame (0000.bmp, 0001.bmp, ... or .png)
// and setup.ini:
//   [Position]        X, Y: where the bitmaps' top-left pixel lies;
//                     Generation: H1 or H2
//   [Bits]            each frame's value (bit 5: fill-only)
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "icnkit/archive.h"
#include "icnkit/export.h"
#include "icnkit/files.h"
#include "icnkit/generation.h"
#include "icnkit/images.h"
#include "icnkit/palette.h"

namespace icnkit {

// Writes bytes as the file at path as the packers write an archive: whole
// or not at all, through a temporary file beside it that is flushed to the
// disk and renamed over it (a link at path is followed, so it stays); its
// folders are made first. Throws Error (Io) "Cannot create file "<full
// path>". <reason>".
ICNKIT_API void SaveFile(const std::string& path, std::span<const uint8_t> bytes);

// The whole file at path. Throws Error (NotFound or Io) "Cannot open file
// "<full path>". <reason>" or "Cannot read file ...".
ICNKIT_API std::vector<uint8_t> ReadFile(const std::string& path);

struct UnpackOptions {
  std::optional<Generation> generation;  // none: told from the archive
  std::string format = "bmp";            // the frame files: "bmp" or "png"
  bool transparent = false;              // png: a tRNS entry makes index 0 transparent
  Palette palette;                       // the colours the files carry; empty: the generation's
  // How the caller gives the generation, for the message that asks for it
  // ("cannot tell whether a.icn is H1 or H2; use -g"): "-g" gives "use
  // -g"; empty: "give its generation".
  std::string generation_option;
  ProgressHandler progress;  // told after each frame written
};

// "icnkit unpack" of the archive file at path into folder (empty: the frame
// folder beside it, "<path>.cadres/"), the folder made as needed: one file a
// frame, every one the size of the union rectangle with the frame drawn at
// its place on index 0, and setup.ini; files of other names are left.
// Returns the folder. Throws Error with the tools' messages; File() names
// the archive when the message does not.
ICNKIT_API std::string UnpackFile(const std::string& path, const std::string& folder = {},
                                  const UnpackOptions& options = {});
// The same for an open archive (options.generation is not used).
ICNKIT_API void UnpackArchive(const Archive& archive, const std::string& folder,
                              const UnpackOptions& options = {});

// "icnkit unpack --preview": the one frame of archive a preview shows
// (Archive::PreviewFrame) drawn on its own rectangle, as the file at path
// in options.format; nothing for an archive without frames.
ICNKIT_API void WritePreview(const Archive& archive, const std::string& path,
                             const UnpackOptions& options = {});

struct PackOptions {
  // none: setup.ini's Generation key (what UnpackFile writes).
  std::optional<Generation> generation;
  bool remap = false;  // png frames: map each pixel by its colour
  Palette palette;     // png frames are matched against it; empty: the generation's
  WarningHandler warning;
  // How the caller gives the generation, in the messages that ask for it:
  // "-g" gives "cannot tell whether x.icn.cadres/ is H1 or H2; use -g" and
  // "(it is H1; pack it with -g h1)"; empty: "give its generation" and
  // "(it is H1; pack it as H1)".
  std::string generation_option;
  ProgressHandler progress;  // told the frames once the archive is made
};

// The archive PackFolder writes for folder_or_archive and no archive_path:
// "x.icn" for the frame folder "x.icn.cadres" or for the archive "x.icn"
// whose frame folder exists. Throws Error (NotFound) "Folder doesn't
// exist: x.icn.cadres/" when it does not.
ICNKIT_API std::string PackedArchivePath(const std::string& folder_or_archive);

// "icnkit pack": the archive of a frame folder (folder_or_archive a folder
// "x.icn.cadres", or the archive "x.icn" beside its frame folder), written
// to archive_path (empty: "x.icn") as SaveFile does. Every ".bmp" and
// ".png" file, in the natural order of their names, is a frame, trimmed to
// its opaque pixels and placed by setup.ini's X and Y. Returns the archive's
// path. archive_path kStandardOutput sends the archive there instead.
// Throws Error with the tools' messages ("Folder doesn't exist: ...",
// "Wrong bitmap format", "Frame out of range", ...); File() names the frame
// file when the message does not.
ICNKIT_API std::string PackFolder(const std::string& folder_or_archive,
                                  const std::string& archive_path = {},
                                  const PackOptions& options = {});

// A file of a frame folder in memory.
struct NamedFile {
  std::string name;  // no folder: "0000.png", "setup.ini"
  std::vector<uint8_t> bytes;
};

// The files UnpackArchive writes into an empty folder, frames in order,
// then setup.ini.
ICNKIT_API std::vector<NamedFile> UnpackToFiles(const Archive& archive,
                                                const UnpackOptions& options = {});

// The archive PackFolder makes of a folder holding files (other files than
// frames and setup.ini are left out, as on the disk).
ICNKIT_API std::vector<uint8_t> PackFiles(std::span<const NamedFile> files,
                                          const PackOptions& options = {});

}  // namespace icnkit
