// ICN archives: opening one (its frame records, decoding a frame into a
// raster) and building one from frames.
//
//   icnkit::Archive archive = icnkit::Archive::OpenFile("hero.icn");
//   for (size_t i = 0; i < archive.FrameCount(); ++i) {
//     icnkit::FrameRecord frame = archive.Frame(i);
//     icnkit::Raster pixels = archive.Decode(i);  // frame.width x frame.height
//   }
//
// The byte layout of archives and streams is described in format/ of the
// source tree; none of it is needed here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "icnkit/export.h"
#include "icnkit/generation.h"
#include "icnkit/raster.h"

namespace icnkit {

// One frame's record, as "icnkit info" shows it.
struct FrameRecord {
  // Where the frame's top-left pixel lies relative to the sprite's
  // reference point, and its size (0 x 0 for a frame without pixels).
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  // The frame's value in a frame folder's setup.ini [Bits]: H1 32 for a
  // fill-only frame, else 0; H2 the record's whole flag byte.
  int32_t bits = 0;
  // Every opaque pixel is index 5 (a shadow). H2 records say so (bit 5 of
  // bits); H1 tells it from the archive's name and the frame's stream.
  bool fill_only = false;
  // Where the frame's stream starts in the archive.
  uint64_t stream_offset = 0;
};

// An open archive: its bytes, its generation and its name. Opening checks
// the frame table and decodes nothing; records are read from the bytes
// when asked for. Copies share the bytes, which never change.
class ICNKIT_API Archive {
 public:
  // The archive of bytes. generation: none to tell it from the bytes
  // (DetectGeneration). name: the archive's file name, which decides H1's
  // fill-only frames ("font.icn": all of them; a ".std" archive: frame 0)
  // and names it in messages. Throws Error (InvalidInput) "Invalid archive:
  // ..." for a table outside the file, and "cannot tell whether <name> is
  // H1 or H2; give its generation".
  static Archive Open(std::vector<uint8_t> bytes,
                      std::optional<icnkit::Generation> generation = std::nullopt,
                      std::string name = {});
  // The same for bytes that owner keeps alive (a buffer of the caller's,
  // not copied); the archive holds owner as long as it or a copy lives.
  // owner may be null where the caller keeps the bytes alive longer than
  // the archive and its copies.
  static Archive Open(std::span<const uint8_t> bytes, std::shared_ptr<const void> owner,
                      std::optional<icnkit::Generation> generation = std::nullopt,
                      std::string name = {});
  // The archive file at path, named by its file name. Throws Error
  // (NotFound or Io) "Cannot open file "<full path>". <reason>" when it
  // cannot be read, and Open's errors with File() path.
  static Archive OpenFile(const std::string& path,
                          std::optional<icnkit::Generation> generation = std::nullopt);

  icnkit::Generation Generation() const;
  const std::string& Name() const;
  std::span<const uint8_t> Bytes() const;
  size_t FrameCount() const;

  // Frame index's record. Throws Error (InvalidInput) "Frame <index> out of
  // range: the archive has <count> frames".
  FrameRecord Frame(size_t index) const;
  // Frame index's left, top, width and height, as Frame gives them, read
  // from its record alone (Frame scans an H1 frame's stream for its
  // fill-only flag). Throws as Frame does.
  Rect FrameRect(size_t index) const;
  // The smallest rectangle holding every frame's rectangle (frames without
  // pixels included, as the unpackers draw them); all 0 without frames.
  Rect Union() const;
  // The bytes of frame index's stream up to and including its end-of-frame
  // code; none when it has none within the file and the longest stream a
  // frame of its size can have.
  std::optional<uint64_t> StreamLength(size_t index) const;

  // Frame index's pixels, frame.width x frame.height, 0 where the stream
  // paints nothing. A damaged stream never reads or writes outside.
  Raster Decode(size_t index) const;
  // The same into the caller's memory: the frame.width x frame.height
  // rectangle at target's pixel (0, 0) is written whole, nothing else.
  // Throws Error (InvalidInput) when target is smaller than the frame.
  void DecodeInto(size_t index, RasterView target) const;

  // Every step-th pixel of region, a rectangle in frame index's pixels
  // ((0, 0) its top-left pixel), for drawing part of a frame, or all of it
  // shrunk, without its whole pixels: pixel (i, j) of the result is the
  // frame's pixel (region.left + i * step, region.top + j * step), 0 where
  // that lies outside the frame; the result is ceil(region.width / step) x
  // ceil(region.height / step). The stream is decoded down to the region's
  // last row only (an H1 frame's is scanned once for its fill-only flag, as
  // Frame does), and memory beyond the result is one row of the frame. Throws
  // Error (InvalidInput) "Invalid region: ..." for a negative size or a
  // step below 1, and Raster's "Bitmap too large" for the result.
  Raster DecodeRegion(size_t index, Rect region, int32_t step = 1) const;

  // The frame "icnkit unpack --preview" and "icnkit thumbnail" show: from
  // the first frame on (from frame 1 in an H1 archive of more than one frame
  // whose Name() ends in ".std": its frame 0 is a fill-only shape), the first
  // more than one pixel high, else that first frame; none without frames.
  std::optional<size_t> PreviewFrame() const;

  // Writes the archive's bytes as the file at path, as the packers write an
  // archive (SaveFile).
  void Save(const std::string& path) const;

 private:
  struct Impl;
  explicit Archive(std::shared_ptr<const Impl> impl);
  std::shared_ptr<const Impl> impl_;
};

// A frame to build: its pixels, where their top-left pixel lies, and its
// setup.ini value; or a frame of an open archive kept as it is stored.
struct NewFrame {
  ConstRasterView pixels;  // may have no pixels at all
  int32_t left = 0;
  int32_t top = 0;
  // 0..255; bit 5 (32): fill-only. H1 stores 0 or 32, H2 the whole byte.
  int32_t bits = 0;
  // Set: the frame is frame source_index of source, which must outlive the
  // call, and pixels is not read. Its stored bytes (from where its stream
  // starts to where the next stream of source starts, or source's end) are
  // copied unchanged with its width and height; its record gets this
  // frame's left, top and bits, which place it untrimmed. Only a frame
  // whose stream would read otherwise (another generation, or bits whose
  // fill-only bit is not the source frame's) is decoded and encoded anew,
  // trimmed as pixels are. So editing one record of an archive, of any
  // encoder, changes that record's bytes alone.
  const Archive* source = nullptr;
  size_t source_index = 0;
};

// The archive of frames, as the packers make it from a frame folder whose
// bitmaps these are: each frame trimmed to its opaque (non-0) pixels, so
// its record lies where they do; a frame without any is a frame without
// pixels at (left, top). Rebuilding the frames of a packer's archive
// (Decode(i) at Frame(i)'s left and top, with its bits) gives its bytes.
// Throws Error (InvalidInput) "Too many frames: <count>" past 65,535, "frame
// <i>: Frame out of range" for a trimmed frame a record cannot hold (left or
// top outside -32768..32767, a side past 65535), "frame <i>: Bits out of
// range: <bits> (0 to 255)" (H1: "(H1: 0 or 32)"), "frame <i>: Frame <n> out
// of range: ..." for a source_index past source's frames, "Archive too
// large" at 4 GiB.
ICNKIT_API std::vector<uint8_t> BuildArchive(Generation generation,
                                             std::span<const NewFrame> frames);

}  // namespace icnkit
