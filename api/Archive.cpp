// icnkit::Archive over format/ (BuildArchive is Build.cpp);
// the small names of the API (Error, Version, generations, Raster).
#include "icnkit/archive.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <utility>

#include "api/Convert.h"
#include "format/Detect.h"
#include "format/FrameRows.h"
#include "format/Generation.h"
#include "fs/Files.h"
#include "fs/Path.h"
#include "icnkit/folders.h"
#include "icnkit/version.h"
#include "image/BmpHeader.h"
#include "unpack/PreviewExport.h"
#include "unpack/UnpackerGeneration.h"

namespace icnkit {

using icnkit_api::Guarded;
using icnkit_api::Internal;

Error::Error(ErrorKind kind, const std::string& message, std::string file)
    : std::runtime_error(message), kind_(kind), file_(std::move(file)) {}

Error::Error(ErrorKind kind, const std::string& message, std::string file, int code)
    : std::runtime_error(message), kind_(kind), file_(std::move(file)), code_(code) {}

Error::~Error() = default;

const char* Version() {
  return ICNKIT_VERSION;
}

const char* GenerationName(Generation generation) {
  return icnkit::GenerationName(Internal(generation));
}

Generation ParseGeneration(std::string_view text) {
  const std::optional<TIcnGeneration> generation = ParseGenerationName(std::string(text));
  if (!generation) {
    throw Error(ErrorKind::InvalidInput,
                "Unknown generation: " + std::string(text) + " (H1 or H2)");
  }
  return icnkit_api::Public(*generation);
}

std::optional<Generation> DetectGeneration(std::span<const uint8_t> bytes) {
  return Guarded([&]() -> std::optional<Generation> {
    const std::optional<TIcnGeneration> detected = icnkit::DetectIcnGeneration(bytes);
    if (!detected) return std::nullopt;
    return icnkit_api::Public(*detected);
  });
}

Generation ArchiveGeneration(std::span<const uint8_t> bytes, const std::string& name,
                             const std::string& advice) {
  return Guarded([&] { return icnkit_api::Public(TellGeneration(bytes, name, advice)); });
}

uint64_t MaxPixels() {
  return static_cast<uint64_t>(bmp::MaxPixels());
}

Raster::Raster(int32_t w, int32_t h) {
  Guarded([&] {
    if (w < 0 || h < 0) bmp::ThrowNotValid();
    bmp::CheckStorage(w, h, 8, 0);
    pixels.assign(size_t(w) * size_t(h), 0);
    width = w;
    height = h;
  });
}

struct Archive::Impl {
  std::shared_ptr<const void> Owner;
  TArchiveImage Bytes;
  const TIcnGenerationInfo* Format = nullptr;
  std::string Name;

  TIcnFrame Record(size_t index) const {
    const size_t count = icnkit::FrameCount(Bytes);
    if (index >= count) {
      throw TZtError(ZtFormat("Frame %zu out of range: the archive has %zu frames", index, count));
    }
    return FrameRecordAt(Bytes, Format->Generation, index);
  }
  // Whether frame index is fill-only. H1 tells it by a scan of the frame's
  // stream, about as long as decoding it: the answer is kept (0 unknown, 1
  // no, 2 yes), so Frame and DecodeInto of one frame, and Decode, which is
  // both, scan it once. Copies of the archive share it; threads that race
  // on a frame store the same answer.
  bool FillOnly(size_t index, const TIcnFrame& record) const {
    std::atomic<uint8_t>& known = FillOnlyKnown[index];
    const uint8_t kept = known.load(std::memory_order_relaxed);
    if (kept != 0) return kept == 2;
    const bool fillOnly = Format->FillOnly(Name, Bytes, index, record);
    known.store(fillOnly ? 2 : 1, std::memory_order_relaxed);
    return fillOnly;
  }
  std::unique_ptr<std::atomic<uint8_t>[]> FillOnlyKnown;
};

Archive::Archive(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}

Archive Archive::Open(std::vector<uint8_t> bytes, std::optional<icnkit::Generation> generation,
                      std::string name) {
  auto owner = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  const std::span<const uint8_t> view(*owner);
  return Open(view, std::move(owner), generation, std::move(name));
}

Archive Archive::Open(std::span<const uint8_t> bytes, std::shared_ptr<const void> owner,
                      std::optional<icnkit::Generation> generation, std::string name) {
  try {
    auto impl = std::make_shared<Impl>();
    // The faces' words for an archive whose generation its bytes do not
    // tell (format/Detect.h); a damaged one's reason names it as File().
    impl->Format =
        &GenerationInfo(generation ? Internal(*generation)
                                   : TellGeneration(bytes, name.empty() ? "the archive" : name,
                                                    icnkit_api::kGenerationAdvice));
    ValidateArchive(bytes, impl->Format->Generation);
    impl->Owner = std::move(owner);
    impl->Bytes = bytes;
    impl->Name = std::move(name);
    impl->FillOnlyKnown = std::make_unique<std::atomic<uint8_t>[]>(icnkit::FrameCount(bytes));
    return Archive(std::move(impl));
  } catch (const TZtError& error) {
    const bool named = std::string(error.what()).find(name) != std::string::npos;
    icnkit_api::ThrowAsError(named ? std::string() : name);
  } catch (...) {
    icnkit_api::ThrowAsError();
  }
}

Archive Archive::OpenFile(const std::string& path, std::optional<icnkit::Generation> generation) {
  std::vector<uint8_t> bytes = ReadFile(path);
  try {
    return Open(std::move(bytes), generation, NameOfPath(path));
  } catch (const Error& error) {  // names the file it opened by its path
    if (!error.File().empty() && error.File() != NameOfPath(path)) throw;
    throw Error(error.Kind(), error.what(), path, error.SystemCode());
  }
}

Generation Archive::Generation() const {
  return icnkit_api::Public(impl_->Format->Generation);
}

const std::string& Archive::Name() const {
  return impl_->Name;
}

std::span<const uint8_t> Archive::Bytes() const {
  return impl_->Bytes;
}

size_t Archive::FrameCount() const {
  return icnkit::FrameCount(impl_->Bytes);
}

FrameRecord Archive::Frame(size_t index) const {
  return Guarded([&] {
    const TIcnFrame record = impl_->Record(index);
    const bool fillOnly = impl_->FillOnly(index, record);
    FrameRecord frame;
    frame.left = record.Left;
    frame.top = record.Top;
    frame.width = record.Width;
    frame.height = record.Height;
    frame.bits = impl_->Format->BitsValue(fillOnly, record);
    frame.fill_only = fillOnly;
    frame.stream_offset = FrameDataAt(impl_->Bytes, record);
    return frame;
  });
}

Rect Archive::FrameRect(size_t index) const {
  return Guarded([&]() -> Rect {
    const TIcnFrame record = impl_->Record(index);
    return {record.Left, record.Top, record.Width, record.Height};
  });
}

Rect Archive::Union() const {
  const TRectangle bounds = UnionRectangle(impl_->Bytes, impl_->Format->Generation);
  return {bounds.Left, bounds.Top, bounds.Width, bounds.Height};
}

std::optional<uint64_t> Archive::StreamLength(size_t index) const {
  return Guarded([&]() -> std::optional<uint64_t> {
    const TIcnFrame record = impl_->Record(index);
    const std::optional<size_t> length =
        icnkit::StreamLength(impl_->Bytes, impl_->Format->Codes, FrameDataAt(impl_->Bytes, record),
                             MaxStreamLength(record), impl_->FillOnly(index, record));
    if (!length) return std::nullopt;
    return *length;
  });
}

Raster Archive::Decode(size_t index) const {
  const FrameRecord frame = Frame(index);
  Raster raster(frame.width, frame.height);
  DecodeInto(index, raster.View());
  return raster;
}

void Archive::DecodeInto(size_t index, RasterView target) const {
  Guarded([&] {
    const TIcnFrame record = impl_->Record(index);
    icnkit_api::CheckView(target, "target");
    if (target.width < record.Width || target.height < record.Height) {
      throw TZtError(ZtFormat("Frame %zu is %d x %d pixels: target is %d x %d", index, record.Width,
                              record.Height, target.width, target.height));
    }
    if (record.Width == 0 || record.Height == 0) return;
    for (int32_t y = 0; y < record.Height; ++y) {
      std::memset(target.data + y * target.stride, 0, record.Width);
    }
    DecodeFrame(*impl_->Format, impl_->Bytes, record, impl_->FillOnly(index, record),
                TFrameRaster{target.data, target.stride, record.Width, record.Height});
  });
}

namespace {

// DecodeRegion's rows: each wanted row of the frame's, every step-th pixel
// of it, into the result.
class RegionRows final : public TFrameRowSink {
 public:
  RegionRows(uint8_t* row, int32_t rowWidth, Rect region, int32_t step, Raster& out)
      : Row_(row), RowWidth_(rowWidth), Region_(region), Step_(step), Out_(out) {
    // Columns i of the result whose pixel lies in the row: [First_, End_).
    const auto columnsBefore = [&](int64_t x) {  // i with left + i * step < x
      return std::clamp<int64_t>((x - region.left + step - 1) / step, 0, out.width);
    };
    First_ = region.left >= 0 ? 0 : columnsBefore(0);
    End_ = std::max(First_, columnsBefore(rowWidth));
  }

  int64_t LastRow() const { return Region_.top + int64_t(Out_.height - 1) * Step_; }

  bool Row(int32_t y) override {
    if (Wanted(y) && End_ > First_) {
      uint8_t* to = Out_.pixels.data() + size_t((y - Region_.top) / Step_) * size_t(Out_.width);
      const uint8_t* from = Row_ + Region_.left + First_ * Step_;
      if (Step_ == 1) {
        std::memcpy(to + First_, from, size_t(End_ - First_));
      } else {
        for (int64_t i = First_; i < End_; ++i, from += Step_) to[i] = *from;
      }
    }
    if (y >= LastRow()) return false;
    if (Wanted(int64_t{y} + 1)) std::memset(Row_, 0, size_t(RowWidth_));
    return true;
  }

 private:
  bool Wanted(int64_t y) const {
    return y >= Region_.top && (y - Region_.top) % Step_ == 0 && y <= LastRow();
  }

  uint8_t* Row_;
  int32_t RowWidth_;
  Rect Region_;
  int64_t Step_;
  Raster& Out_;
  int64_t First_ = 0;
  int64_t End_ = 0;
};

}  // namespace

Raster Archive::DecodeRegion(size_t index, Rect region, int32_t step) const {
  return Guarded([&] {
    if (region.width < 0 || region.height < 0 || step < 1) {
      throw TZtError(ZtFormat("Invalid region: %d x %d pixels at (%d, %d), every %d", region.width,
                              region.height, region.left, region.top, step));
    }
    const TIcnFrame record = impl_->Record(index);
    Raster out(int32_t((int64_t{region.width} + step - 1) / step),
               int32_t((int64_t{region.height} + step - 1) / step));
    if (out.width == 0 || out.height == 0) return out;
    // The row's columns up to the region's last one, within the frame.
    const int64_t lastColumn = region.left + int64_t(out.width - 1) * step;
    const int32_t rowWidth = int32_t(std::min<int64_t>(record.Width, lastColumn + 1));
    const int64_t lastRow = region.top + int64_t(out.height - 1) * step;
    if (rowWidth <= 0 || lastRow < 0 || region.top >= record.Height) return out;
    std::vector<uint8_t> row(size_t(rowWidth), 0);
    RegionRows rows(row.data(), rowWidth, region, step, out);
    DecodeFrameRows(*impl_->Format, impl_->Bytes, record, impl_->FillOnly(index, record),
                    row.data(), rowWidth, rows);
    return out;
  });
}

std::optional<size_t> Archive::PreviewFrame() const {
  return Guarded([&] {
    return ChoosePreviewFrame(UnpackerGeneration(impl_->Format->Generation), impl_->Bytes,
                              impl_->Name);
  });
}

void Archive::Save(const std::string& path) const {
  SaveFile(path, impl_->Bytes);
}

}  // namespace icnkit
