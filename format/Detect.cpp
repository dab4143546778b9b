#include "format/Detect.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "format/Bytes.h"
#include "format/Error.h"

namespace icnkit {

std::optional<size_t> StreamLength(TArchiveImage image, const TIcnCodeTable& codes, size_t start,
                                   uint64_t limit, bool fillOnly) {
  if (start >= image.size()) return std::nullopt;
  const size_t available = image.size() - start;
  const size_t end = start + (limit < available ? static_cast<size_t>(limit) : available);
  const uint8_t* const data = image.data();
  size_t p = start;
  while (p < end) {
    const uint8_t byte = data[p++];
    size_t payload = 0;
    switch (codes.Codes[byte].Kind) {
      case TCodeKind::EndFrame:
        return p - start;
      case TCodeKind::Literal:
        payload = fillOnly ? 0 : byte;
        break;
      case TCodeKind::Special:
        if (p >= end) return std::nullopt;
        payload = (data[p] & 3u) == 0 ? 2 : 1;
        break;
      case TCodeKind::LongFill:
        payload = 2;
        break;
      case TCodeKind::ShortFill:
        payload = 1;
        break;
      case TCodeKind::EndRow:
      case TCodeKind::Skip:
        break;
    }
    if (payload > end - p) return std::nullopt;
    p += payload;
  }
  return std::nullopt;
}

namespace {

// What the records at the start of a file say, read as the generation's:
// the frame count and size the header gives, the records that lie within
// head (all of them when the table is whole) and the lowest stream start
// among them.
struct TTableView {
  size_t Count = 0;
  uint64_t DeclaredSize = 0;  // DataSize + 6
  size_t Present = 0;
  uint64_t TableEnd = 0;  // 6 + Count x record size
  uint64_t FirstStream = UINT64_MAX;
  uint64_t LastStream = 0;  // the highest start among them
};

TTableView ViewTable(std::span<const uint8_t> head, const TIcnGenerationInfo& generation) {
  TTableView view;
  if (head.size() < kIcnHeaderSize) return view;
  view.Count = GetU16(head.data());
  view.DeclaredSize = uint64_t{GetU32(head.data() + 2)} + kIcnHeaderSize;
  view.TableEnd = kIcnHeaderSize + uint64_t{view.Count} * generation.RecordSize;
  view.Present =
      std::min<size_t>(view.Count, (head.size() - kIcnHeaderSize) / generation.RecordSize);
  for (size_t i = 0; i < view.Present; ++i) {
    const TIcnFrame record =
        generation.ReadRecord(head.data() + kIcnHeaderSize + i * generation.RecordSize);
    const uint64_t start = kIcnHeaderSize + uint64_t{record.DataOffset};
    view.FirstStream = std::min(view.FirstStream, start);
    view.LastStream = std::max(view.LastStream, start);
  }
  return view;
}

// A header's DataSize from which, with no record to check, it is taken for
// text: four printable bytes read as a number are 0x20000000 or more.
constexpr uint64_t kTextSize = 0x20000000;

// Whether image is the start of an archive of the generation cut short or
// damaged: shorter than a header (but not empty), or a header whose table
// fits the size it declares, no shorter than the file, and whose records
// there are point into that size, the lowest right after the table (where
// the packers put frame 0's stream; text read as records points far off).
// With no whole record there, the size declared must be below kTextSize.
bool DamagedArchiveFits(TArchiveImage image, const TIcnGenerationInfo& generation) {
  if (image.empty()) return false;
  if (image.size() < kIcnHeaderSize) return true;
  const TTableView view = ViewTable(image, generation);
  if (view.Count == 0 || view.TableEnd > view.DeclaredSize || view.DeclaredSize < image.size()) {
    return false;
  }
  if (view.Present == 0) return view.DeclaredSize - kIcnHeaderSize < kTextSize;
  return view.FirstStream == view.TableEnd && view.LastStream < view.DeclaredSize;
}

// What the generation's unpacker says of image: the message of
// ValidateArchive, or none when it reads the archive.
std::optional<std::string> UnpackerReason(TArchiveImage image, TIcnGeneration generation) {
  try {
    ValidateArchive(image, generation);
  } catch (const TZtError& error) {
    return error.what();
  }
  return std::nullopt;
}

}  // namespace

bool TableFitsGeneration(std::span<const uint8_t> head, uint64_t fileSize,
                         TIcnGeneration generation) {
  if (fileSize < kIcnHeaderSize || head.size() < kIcnHeaderSize) return false;
  const TTableView view = ViewTable(head, GenerationInfo(generation));
  if (view.TableEnd > fileSize || view.Present < view.Count) return false;
  // A stream needs at least its end-of-frame code: one starting at the very
  // end of the file is outside too (ValidateArchive).
  return view.Count == 0 || (view.LastStream < fileSize && view.FirstStream == view.TableEnd);
}

TIcnGeneration TellGeneration(TArchiveImage image, const std::string& name,
                              const std::string& advice) {
  const TGenerationFit fit = FitGenerations(image);
  if (fit.H1 != fit.H2) return fit.H1 ? TIcnGeneration::H1 : TIcnGeneration::H2;
  if (fit.H1) throw UndecidedGeneration(name, advice);
  const bool h1 = DamagedArchiveFits(image, kH1Generation);
  const bool h2 = DamagedArchiveFits(image, kH2Generation);
  if (!h1 && !h2) throw TZtError("Not an archive: " + name);
  const std::optional<std::string> reasonH1 = UnpackerReason(image, TIcnGeneration::H1);
  const std::optional<std::string> reasonH2 = UnpackerReason(image, TIcnGeneration::H2);
  if (h1 != h2) {
    const TIcnGeneration generation = h1 ? TIcnGeneration::H1 : TIcnGeneration::H2;
    const std::optional<std::string>& reason = h1 ? reasonH1 : reasonH2;
    if (reason) throw TZtError(*reason);
    return generation;
  }
  // Damaged either way: the same reason (a file shorter than a header, a
  // table cut before its first record) is told; different ones need the
  // generation.
  if (reasonH1 && reasonH1 == reasonH2) throw TZtError(*reasonH1);
  throw UndecidedGeneration(name, advice);
}

bool FitsGeneration(TArchiveImage image, const TIcnGenerationInfo& generation) {
  if (!icnkit::TableFitsGeneration(image, image.size(), generation.Generation)) return false;
  const size_t count = FrameCount(image);
  for (size_t i = 0; i < count; ++i) {
    const TIcnFrame record = FrameRecordAt(image, generation.Generation, i);
    const size_t start = FrameDataAt(image, record);
    const uint64_t limit = MaxStreamLength(record);
    // H1 records do not say which frames are fill-only: either reading will do.
    const bool normal = StreamLength(image, generation.Codes, start, limit, false).has_value();
    if (!normal && !StreamLength(image, generation.Codes, start, limit, true)) return false;
  }
  return true;
}

TGenerationFit FitGenerations(TArchiveImage image) {
  return {FitsGeneration(image, kH1Generation), FitsGeneration(image, kH2Generation)};
}

std::optional<TIcnGeneration> DetectIcnGeneration(TArchiveImage image) {
  const TGenerationFit fit = FitGenerations(image);
  if (fit.H1 == fit.H2) return std::nullopt;
  return fit.H1 ? TIcnGeneration::H1 : TIcnGeneration::H2;
}

TZtError UndecidedGeneration(const std::string& name, const std::string& advice) {
  return TZtError("cannot tell whether " + name + " is H1 or H2; " + advice);
}

}  // namespace icnkit
