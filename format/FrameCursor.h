// TFrameCursor: the write side shared by the frame decoders.
//
// It keeps the current row and column and clips every run to the frame's
// rectangle: pixels beyond Width are not written (the column still
// advances), and an end-of-row code that would leave the last row ends the
// frame, since nothing after it could be written. A run inside the row costs
// one compare, so the hot loop stays a few overlapping moves per run, or,
// with Masked (format/MaskedRuns.h, where the processor has them), a masked
// move per 64 pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "format/FrameRaster.h"
#include "format/MaskedRuns.h"

// The decode loop's helpers must be inlined into it: out of line, the
// cursor's state would go through memory on every code.
#if defined(_MSC_VER) && !defined(__clang__)
#define ICN_ALWAYS_INLINE __forceinline
#else
#define ICN_ALWAYS_INLINE inline __attribute__((always_inline))
#endif

namespace icnkit {

// Copies and fills of run length, inlined: runs are mostly short, and a
// call into the C library per run would cost more than the run itself. The
// moves overlap instead of looping byte by byte and never touch a byte
// outside [0, n) of either side. (Long runs handed to the C library measured
// slower, not faster: the decode loop's runs are at most 255 pixels.)
ICN_ALWAYS_INLINE void CopyRun(uint8_t* to, const uint8_t* from, size_t n) {
  if (n >= 16) {
    uint8_t chunk[16];
    for (size_t i = 0; i + 16 < n; i += 16) {
      std::memcpy(chunk, from + i, 16);
      std::memcpy(to + i, chunk, 16);
    }
    std::memcpy(chunk, from + n - 16, 16);
    std::memcpy(to + n - 16, chunk, 16);
  } else if (n >= 8) {
    uint64_t head, tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + n - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + n - 8, &tail, 8);
  } else if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + n - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + n - 4, &tail, 4);
  } else if (n > 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

ICN_ALWAYS_INLINE void FillRun(uint8_t* to, uint8_t value, size_t n) {
  const uint64_t pattern = value * 0x0101010101010101ull;
  if (n >= 16) {
    for (size_t i = 0; i + 16 < n; i += 16) {
      std::memcpy(to + i, &pattern, 8);
      std::memcpy(to + i + 8, &pattern, 8);
    }
    std::memcpy(to + n - 16, &pattern, 8);
    std::memcpy(to + n - 8, &pattern, 8);
  } else if (n >= 8) {
    std::memcpy(to, &pattern, 8);
    std::memcpy(to + n - 8, &pattern, 8);
  } else if (n >= 4) {
    const uint32_t half = static_cast<uint32_t>(pattern);
    std::memcpy(to, &half, 4);
    std::memcpy(to + n - 4, &half, 4);
  } else if (n > 0) {
    to[0] = value;
    to[n / 2] = value;
    to[n - 1] = value;
  }
}

// Runs of up to 16 pixels with 16 bytes of row room after their start:
// one 16-byte load and store that writes back the bytes past the run as
// they were (a skip after the run must leave its pixels alone), in place of
// the branches on the run's length, which short runs of random lengths
// mispredict. The room check keeps every byte touched inside the frame.
#if defined(__GNUC__) || defined(__clang__)
#define ICN_HAVE_SHORT_RUN_BLEND 1
typedef uint8_t TBytes16 __attribute__((vector_size(16)));

inline constexpr uint8_t kShortRunMasks[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                               0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

ICN_ALWAYS_INLINE TBytes16 Load16(const uint8_t* from) {
  TBytes16 bytes;
  std::memcpy(&bytes, from, 16);
  return bytes;
}

// Writes the first n bytes of run at to, n in [0, 16]; bytes n.. of the 16
// are written back as they were.
ICN_ALWAYS_INLINE void BlendShortRun(uint8_t* to, TBytes16 run, size_t n) {
  const TBytes16 mask = Load16(kShortRunMasks + 16 - n);
  const TBytes16 merged = (mask & run) | (~mask & Load16(to));
  std::memcpy(to, &merged, 16);
}
#endif

template <bool Masked>
class TBasicFrameCursor {
 public:
  static constexpr bool kMasked = Masked;

  explicit TBasicFrameCursor(const TFrameRaster& raster)
      : Row_(raster.TopLeft),
        RowStep_(raster.RowStep),
        Width_(raster.Width),
        Height_(raster.Height) {}

  // True when no pixel of the frame can be written at all.
  ICN_ALWAYS_INLINE bool Empty() const { return Row_ == nullptr || Width_ <= 0 || Height_ <= 0; }

  // End of row. False when the next row lies outside the frame.
  ICN_ALWAYS_INLINE bool NextRow() {
    if (++Y_ >= Height_) return false;
    Row_ += RowStep_;
    X_ = 0;
    return true;
  }

  ICN_ALWAYS_INLINE void Skip(uint32_t n) { X_ += n; }

  // Copy of a run whose source has at least 16 readable bytes (the decode
  // loop's unchecked part).
  ICN_ALWAYS_INLINE void CopyWithSlack(const uint8_t* source, uint32_t n) {
#ifdef ICN_HAVE_SHORT_RUN_BLEND
    if (!Masked && n <= 16 && X_ + 16 <= Width_) [[likely]] {
      BlendShortRun(Row_ + X_, Load16(source), n);
      X_ += n;
      return;
    }
#endif
    Copy(source, n);
  }

  // A run that fits the row, the common case, is one compare; only a run
  // crossing the right edge is cut.
  ICN_ALWAYS_INLINE void Copy(const uint8_t* source, uint32_t n) {
#ifdef ICN_HAVE_MASKED_RUNS
    if constexpr (Masked) {
      if (X_ < Width_) [[likely]] {
        MaskedCopyRun(Row_ + X_, source, ClippedLength(n));
      }
      X_ += n;
      return;
    }
#endif
    if (X_ + n <= Width_) [[likely]] {
      CopyRun(Row_ + X_, source, n);
    } else if (X_ < Width_) {
      CopyRun(Row_ + X_, source, size_t(Width_ - X_));
    }
    X_ += n;
  }

  ICN_ALWAYS_INLINE void Fill(uint8_t value, uint32_t n) {
#ifdef ICN_HAVE_MASKED_RUNS
    if constexpr (Masked) {
      if (X_ < Width_) [[likely]] {
        MaskedFillRun(Row_ + X_, value, ClippedLength(n));
      }
      X_ += n;
      return;
    }
#endif
#ifdef ICN_HAVE_SHORT_RUN_BLEND
    if (n <= 16 && X_ + 16 <= Width_) [[likely]] {
      BlendShortRun(Row_ + X_, TBytes16{} + value, n);
      X_ += n;
      return;
    }
#endif
    if (X_ + n <= Width_) [[likely]] {
      FillRun(Row_ + X_, value, n);
    } else if (X_ < Width_) {
      FillRun(Row_ + X_, value, size_t(Width_ - X_));
    }
    X_ += n;
  }

 private:
  // The part of a run of n from the column on that lies in the frame (the
  // column inside it).
  ICN_ALWAYS_INLINE uint64_t ClippedLength(uint32_t n) const {
    const uint64_t room = uint64_t(Width_ - X_);
    return n < room ? n : room;
  }

  uint8_t* Row_;
  ptrdiff_t RowStep_;
  int64_t Width_;
  int32_t Height_;
  int64_t X_ = 0;
  int32_t Y_ = 0;
};

using TFrameCursor = TBasicFrameCursor<false>;

}  // namespace icnkit
