#include "format/Detect.h"

#include <algorithm>

#include "format/Error.h"

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

bool FitsGeneration(TArchiveImage image, const TIcnGenerationInfo& generation) {
  try {
    ValidateArchive(image, generation.Generation);
  } catch (const TZtError&) {
    return false;
  }
  const size_t count = FrameCount(image);
  if (count == 0) return true;
  size_t first = image.size();
  for (size_t i = 0; i < count; ++i) {
    const TIcnFrame record = FrameRecordAt(image, generation.Generation, i);
    const size_t start = FrameDataAt(image, record);
    first = std::min(first, start);
    const uint64_t limit = MaxStreamLength(record);
    // H1 records do not say which frames are fill-only: either reading will do.
    const bool normal = StreamLength(image, generation.Codes, start, limit, false).has_value();
    if (!normal && !StreamLength(image, generation.Codes, start, limit, true)) return false;
  }
  return first == kIcnHeaderSize + count * generation.RecordSize;
}

TGenerationFit FitGenerations(TArchiveImage image) {
  return {FitsGeneration(image, kH1Generation), FitsGeneration(image, kH2Generation)};
}

std::optional<TIcnGeneration> DetectGeneration(TArchiveImage image) {
  const TGenerationFit fit = FitGenerations(image);
  if (fit.H1 == fit.H2) return std::nullopt;
  return fit.H1 ? TIcnGeneration::H1 : TIcnGeneration::H2;
}

TZtError UndecidedGeneration(const std::string& name, const std::string& advice) {
  return TZtError("cannot tell whether " + name + " is H1 or H2; " + advice);
}
