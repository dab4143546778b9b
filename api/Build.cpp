// BuildArchive over format/ and pack/TrimmedFrame.h: frames encoded from
// their pixels as the packers encode them, or kept as a source archive
// stores them.
#include <algorithm>
#include <utility>

#include "api/Convert.h"
#include "format/Error.h"
#include "format/Generation.h"
#include "icnkit/archive.h"
#include "pack/TrimmedFrame.h"

namespace icnkit {

namespace {

// Where the stored bytes of a source archive's frames end: each frame's
// stream start up to the next greater start of any frame, or the file's
// end. Kept for the last source seen (frames usually come from one).
class StoredSlots {
 public:
  std::pair<size_t, size_t> Of(const Archive& source, size_t index) {
    const std::span<const uint8_t> bytes = source.Bytes();
    const TIcnGeneration generation = icnkit_api::Internal(source.Generation());
    if (&source != source_) {
      source_ = &source;
      starts_.clear();
      for (size_t i = 0; i < source.FrameCount(); ++i) {
        starts_.push_back(FrameDataAt(bytes, FrameRecordAt(bytes, generation, i)));
      }
      std::sort(starts_.begin(), starts_.end());
    }
    const size_t start = FrameDataAt(bytes, FrameRecordAt(bytes, generation, index));
    const auto next = std::upper_bound(starts_.begin(), starts_.end(), start);
    return {start, next == starts_.end() ? bytes.size() : *next};
  }

 private:
  const Archive* source_ = nullptr;
  std::vector<size_t> starts_;
};

void CheckBits(Generation generation, int32_t bits) {
  if (bits < 0 || bits > 255) throw TZtError(ZtFormat("Bits out of range: %d (0 to 255)", bits));
  if (generation == Generation::H1 && bits != 0 && bits != kFillOnlyBit) {
    throw TZtError(ZtFormat("Bits out of range: %d (H1: 0 or 32)", bits));
  }
}

// Whether frame's stored stream reads the same in an archive of generation.
bool KeepsStream(Generation generation, const NewFrame& frame) {
  const FrameRecord record = frame.source->Frame(frame.source_index);
  return frame.source->Generation() == generation &&
         ((frame.bits & kFillOnlyBit) != 0) == record.fill_only;
}

}  // namespace

std::vector<uint8_t> BuildArchive(Generation generation, std::span<const NewFrame> frames) {
  return icnkit_api::Guarded([&] {
    const TIcnGenerationInfo& format = GenerationInfo(icnkit_api::Internal(generation));
    TIcnArchiveWriter writer(format.Generation, frames.size());
    StoredSlots slots;
    for (size_t i = 0; i < frames.size(); ++i) {
      const NewFrame& frame = frames[i];
      const std::string label = ZtFormat("frame %zu", i);
      // What the frame's values and its source refuse names the frame.
      const auto named = [&](auto work) {
        try {
          return work();
        } catch (const TZtError& error) {
          throw TZtError(label + ": " + error.what());
        } catch (const Error& error) {
          throw Error(error.Kind(), label + ": " + error.what(), error.File());
        }
      };
      named([&] { CheckBits(generation, frame.bits); });
      if (frame.source != nullptr && named([&] { return KeepsStream(generation, frame); })) {
        const FrameRecord kept = frame.source->Frame(frame.source_index);
        const std::optional<TIcnFrame> record =
            RecordOfBox({0, 0, kept.width, kept.height}, frame.left, frame.top);
        if (!record) throw TZtError(label + ": Frame out of range");
        TIcnFrame placed = *record;
        placed.Bits = format.StoresBits ? static_cast<uint8_t>(frame.bits) : 0;
        writer.BeginFrame(i, placed);
        const auto [start, end] = slots.Of(*frame.source, frame.source_index);
        const std::span<const uint8_t> bytes = frame.source->Bytes();
        writer.Buffer().insert(writer.Buffer().end(), bytes.begin() + ptrdiff_t(start),
                               bytes.begin() + ptrdiff_t(end));
        continue;
      }
      Raster decoded;
      ConstRasterView pixels = frame.pixels;
      if (frame.source != nullptr) {
        decoded = frame.source->Decode(frame.source_index);
        pixels = decoded.View();
      }
      icnkit_api::CheckView(pixels, label);
      const TTrimmedFrame trimmed = named([&] {
        return TrimFrame(format, pixels.data, pixels.stride, pixels.width, pixels.height,
                         frame.left, frame.top, frame.bits);
      });
      writer.BeginFrame(i, trimmed.Record);
      format.Encode(writer.Buffer(), trimmed.Source, trimmed.RowStep, trimmed.Record.Width,
                    trimmed.Record.Height, trimmed.FillOnly);
    }
    return std::move(writer.Finish());
  });
}

}  // namespace icnkit
