// Sprite sheets (one indexed PNG and its JSON, as "icnkit sheet" writes
// them, and the way back to an archive), animated GIFs ("icnkit gif") and
// thumbnails ("icnkit thumbnail").
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "icnkit/archive.h"
#include "icnkit/export.h"
#include "icnkit/files.h"
#include "icnkit/images.h"
#include "icnkit/palette.h"

namespace icnkit {

struct SheetOptions {
  int32_t columns = 0;        // cells a row; 0: a sheet about as wide as high
  bool packed = false;        // cells on shelves, tallest first, instead of a grid
  int32_t padding = 0;        // transparent pixels between cells and around the sheet
  bool untrimmed = false;     // every cell the union rectangle, frames at their places
  int32_t duration_ms = 100;  // each frame's "duration"
  // The sheet image's file name in the JSON (meta.image); empty: the
  // archive's name without its extension, and ".png".
  std::string image_name;
  Palette palette;  // the PNG's colours; empty: the generation's
};

struct Sheet {
  std::vector<uint8_t> png;  // the sheet image: 8-bit indexed, index 0 transparent
  std::string json;          // the JSON array layout with each frame's record
};

// The sheet of archive, byte for byte what "icnkit sheet" writes for it
// (with the same options). An archive without a name is called
// "archive.icn" there. Throws Error (InvalidInput) "Sheet too large: W x H".
ICNKIT_API Sheet MakeSheet(const Archive& archive, const SheetOptions& options = {});

struct SheetPackOptions {
  Palette palette;  // the PNG is matched against it; empty: the generation's
  bool remap = false;
  // The files' names in messages; image_name empty: the JSON's meta.image.
  std::string image_name;
  std::string json_name = "sheet.json";
  WarningHandler warning;
  ProgressHandler progress;  // told the frames once the archive is made
};

// The archive of a sheet whose image (png) may have been edited, as "icnkit
// pack --sheet" makes it: each frame's record from the JSON, its pixels the
// image's within its cell (painting past the record grows it). An unedited
// sheet gives back the archive it was made of. Throws Error (InvalidInput)
// with the tools' messages ("<json>: frames[3].frame.x must be an integer",
// "<image>: pixel (X, Y) lies outside every frame's cell: ...", DecodePng's).
ICNKIT_API std::vector<uint8_t> ArchiveFromSheet(std::span<const uint8_t> png,
                                                 std::string_view json,
                                                 const SheetPackOptions& options = {});

// "icnkit pack --sheet": the archive of the sheet json_path describes, its
// image the file beside it that meta.image names, written to archive_path
// (empty: beside the JSON, as meta.archive names it; kStandardOutput:
// standard output) as SaveFile writes it. Returns the archive's path.
// Throws Error as ReadFile, ArchiveFromSheet (the files named by their
// paths) and SaveFile.
ICNKIT_API std::string PackSheetFile(const std::string& json_path,
                                     const std::string& archive_path = {},
                                     const SheetPackOptions& options = {});

// Frames first to last of an archive, both included.
struct FrameRange {
  size_t first = 0;
  size_t last = 0;
  bool cut = false;  // the text's last frame lay past the archive's, cut to it
};

// The frames text names, as "icnkit gif --frames" reads it: "A-B" or "A",
// numbered from 0; B past the last of frame_count frames is cut to it
// (SIZE_MAX: the text alone is checked). Throws Error (InvalidInput)
// "--frames: expected A-B or A (frame numbers from 0), not "<text>"",
// "--frames <text>: the range is reversed; write B-A", "--frames <text>: the
// archive's frames are 0-<count - 1>" ("...: the archive has no frames").
ICNKIT_API FrameRange ParseFrameRange(std::string_view text, size_t frame_count = SIZE_MAX);

struct GifOptions {
  int32_t delay_ms = 100;  // a frame; 0..655350, stored in hundredths
  int32_t scale = 1;       // each pixel as scale x scale pixels, 1..64
  size_t first = 0;        // the frames shown, first to last inclusive
  size_t last = SIZE_MAX;  // SIZE_MAX: to the last frame
  Palette palette;         // empty: the generation's
};

// The animated GIF of archive, byte for byte what "icnkit gif" writes:
// looping, every frame at its place on the union rectangle, index 0
// transparent. Throws Error (InvalidInput) for options out of range and
// "GIF too large: W x H".
ICNKIT_API std::vector<uint8_t> MakeGif(const Archive& archive, const GifOptions& options = {});

// The same GIF handed to sink piece by piece as it is encoded, never whole
// in memory; everything MakeGif checks is checked before the first piece.
// What sink throws ends the GIF and leaves as an Error.
ICNKIT_API void WriteGif(const Archive& archive, const GifOptions& options, const ByteSink& sink,
                         const ProgressHandler& progress = {});

struct Thumbnail {
  Raster pixels;     // 0 x 0 when the archive has no frame with pixels to show
  size_t frame = 0;  // the frame shown (Archive::PreviewFrame)
};

// The preview frame of archive scaled by a whole factor to fit size x size,
// as "icnkit thumbnail" writes it (EncodePng, index 0 transparent): up, each
// pixel a k x k square, by the largest k that fits; down, every k-th pixel,
// by the smallest k that fits. Throws Error (InvalidInput) "The size must
// lie within 1..4096".
ICNKIT_API Thumbnail MakeThumbnail(const Archive& archive, int32_t size);

}  // namespace icnkit
