#include "FrameStore.h"

#include <cstring>
#include <string>

#include "icnkit/error.h"

namespace py = pybind11;

namespace icnkit::python {

namespace {

// A 64-bit hash of pixels, four lanes of 8-byte words (the rounds of a
// well-known fast hash): a few GB/s, so it costs a small part of decoding.
uint64_t Hash(const icnkit::Raster& raster) {
  constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
  constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
  const auto round = [](uint64_t lane, uint64_t word) {
    lane += word * kPrime2;
    lane = (lane << 31) | (lane >> 33);
    return lane * kPrime1;
  };
  const uint8_t* data = raster.pixels.data();
  const size_t size = raster.pixels.size();
  uint64_t lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
  size_t at = 0;
  for (; at + 32 <= size; at += 32) {
    for (int k = 0; k < 4; ++k) {
      uint64_t word = 0;
      std::memcpy(&word, data + at + (size_t{8} * static_cast<size_t>(k)), 8);
      lanes[k] = round(lanes[k], word);
    }
  }
  uint64_t hash = size;
  for (const uint64_t lane : lanes) hash = round(hash ^ round(0, lane), kPrime1);
  for (; at < size; ++at) hash = round(hash, data[at]);
  hash ^= hash >> 33;
  hash *= kPrime2;
  return hash ^ (hash >> 29);
}

uint64_t PixelsOf(const icnkit::Raster& raster) {
  return raster.pixels.size();
}

}  // namespace

struct FrameStore::Decoded {
  icnkit::Raster raster;
  uint64_t hash = 0;  // of the pixels as decoded
  size_t index = 0;
  std::shared_ptr<FrameStore> store;  // while an array owns it
};

FrameStore::FrameStore(icnkit::Archive archive) : archive_(std::move(archive)) {}

FrameStore::~FrameStore() = default;

const FrameStore::Live* FrameStore::LiveOf(size_t index) const {
  const auto live = live_.find(index);
  if (live == live_.end() || live->second.array().is_none()) return nullptr;
  return &live->second;
}

py::array FrameStore::Pixels(size_t index, std::optional<uint64_t> bound) {
  for (;;) {
    if (const Live* live = LiveOf(index)) return live->array();
    if (const auto kept = kept_.find(index); kept != kept_.end()) {
      std::unique_ptr<Decoded> decoded = std::move(kept->second);
      kept_.erase(kept);
      return Hand(index, std::move(decoded));
    }
    const icnkit::FrameRecord record = archive_.Frame(index);
    const uint64_t size = uint64_t(record.width) * uint64_t(record.height);
    // A frame past the bound of every image is refused as such by Decode.
    if (bound && held_ + size > *bound && size <= icnkit::MaxPixels()) {
      throw icnkit::Error(icnkit::ErrorKind::InvalidInput,
                          "Too many decoded pixels: frame " + std::to_string(index) + " (" +
                              std::to_string(record.width) + " x " + std::to_string(record.height) +
                              ") would make " + std::to_string(held_ + size) +
                              " held by the archive, past icnkit.MAX_DECODED_PIXELS (" +
                              std::to_string(*bound) + "); let go of frames' pixels, or raise it");
    }
    held_ += size;  // counted before the GIL goes, for the other threads
    auto decoded = std::make_unique<Decoded>();
    decoded->index = index;
    try {
      const py::gil_scoped_release free;
      decoded->raster = archive_.Decode(index);
      decoded->hash = Hash(decoded->raster);
    } catch (...) {
      held_ -= size;
      throw;
    }
    held_ -= size;
    held_ += PixelsOf(decoded->raster);
    // Another thread may have read the frame meanwhile: its array wins.
    if (live_.contains(index) || kept_.contains(index)) {
      held_ -= PixelsOf(decoded->raster);
      continue;
    }
    return Hand(index, std::move(decoded));
  }
}

py::array FrameStore::Hand(size_t index, std::unique_ptr<Decoded> decoded) {
  decoded->store = shared_from_this();
  Decoded* raw = decoded.release();  // the capsule's from here
  const py::capsule owner(raw, [](void* p) { Released(static_cast<Decoded*>(p)); });
  py::array array =
      py::array_t<uint8_t>({py::ssize_t(raw->raster.height), py::ssize_t(raw->raster.width)},
                           raw->raster.pixels.data(), owner);
  live_[index] = {py::weakref(array), raw};
  return array;
}

void FrameStore::Released(Decoded* decoded) noexcept {
  std::unique_ptr<Decoded> owned(decoded);
  const std::shared_ptr<FrameStore> store = std::move(owned->store);
  const auto live = store->live_.find(owned->index);
  if (live != store->live_.end() && live->second.decoded == decoded) store->live_.erase(live);
  if (Hash(owned->raster) != owned->hash) {
    try {
      store->kept_[owned->index] = std::move(owned);
      return;
    } catch (...) {  // no memory to keep the edit: it goes as the array does
    }
  }
  store->held_ -= PixelsOf(owned->raster);
}

bool FrameStore::Edited(size_t index) const {
  if (kept_.contains(index)) return true;
  const Live* live = LiveOf(index);
  return live != nullptr && Hash(live->decoded->raster) != live->decoded->hash;
}

void FrameStore::Discard(size_t index) {
  const auto kept = kept_.find(index);
  if (kept == kept_.end()) return;
  held_ -= PixelsOf(kept->second->raster);
  kept_.erase(kept);
}

}  // namespace icnkit::python
