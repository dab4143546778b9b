// FrameStore: the decoded frames of an archive the Python module opened.
//
// A frame's pixels are an array over a raster the library decoded into
// (no copy), owned by the array's base: the store keeps only a weak
// reference to the array, so a script that reads frames in turn and keeps
// none holds one decoded frame at a time. A hash of the pixels taken at
// decoding tells, when the array dies, whether the script edited them: an
// edited raster goes back into the store (the next read of the frame gives
// it, and building the archive uses it), an unedited one is freed. While
// an array lives, every read of the frame gives it, from any thread: the
// store is used with the GIL held and lets it go only to decode.
//
// The pixels an archive holds decoded (live arrays and kept edits) are
// bounded: a decode past the bound throws icnkit::Error, "Too many decoded
// pixels: ...", before anything is allocated.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

#include "icnkit/archive.h"

namespace icnkit::python {

class FrameStore : public std::enable_shared_from_this<FrameStore> {
 public:
  explicit FrameStore(icnkit::Archive archive);
  ~FrameStore();
  FrameStore(const FrameStore&) = delete;
  FrameStore& operator=(const FrameStore&) = delete;

  const icnkit::Archive& Archive() const { return archive_; }

  // Frame index's pixels: the live array when there is one, else the kept
  // edit, else decoded now (bound: the pixels the archive may hold at
  // once; none for no bound).
  pybind11::array Pixels(size_t index, std::optional<uint64_t> bound);
  // Whether frame index's pixels differ from its stored ones (a kept edit,
  // or a live array whose hash changed).
  bool Edited(size_t index) const;
  // Lets go of frame index's kept edit (its pixels were replaced).
  void Discard(size_t index);
  // The pixels the archive holds decoded.
  uint64_t Held() const { return held_; }

 private:
  struct Decoded;
  struct Live {
    pybind11::weakref array;
    Decoded* decoded = nullptr;
  };
  // The array over decoded, which it owns from now on.
  pybind11::array Hand(size_t index, std::unique_ptr<Decoded> decoded);
  // Called by an array's base as the array dies.
  static void Released(Decoded* decoded) noexcept;
  const Live* LiveOf(size_t index) const;

  icnkit::Archive archive_;
  std::unordered_map<size_t, Live> live_;
  std::unordered_map<size_t, std::unique_ptr<Decoded>> kept_;
  uint64_t held_ = 0;
};

}  // namespace icnkit::python
