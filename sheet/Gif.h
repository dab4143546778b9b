// Animated GIFs of archives (giflib): one image per frame, drawn at its
// place on the union rectangle (the logical screen), index 0 transparent,
// the archive's palette as the global colour table, looping for ever
// (NETSCAPE2.0). Each frame is cleared again before the next is drawn
// (disposal "restore to background"), so frames never pile up. A frame
// without pixels is one transparent pixel, so it still takes its time;
// fill-only frames show their fill index (5) where their pixels are.
//
// The GIF is written as it is encoded, into a sink (a file being written,
// a buffer): whatever the number of frames, nothing is held but one frame's
// pixels, one scaled row and the pieces on their way to the sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "image/BmpHeader.h"
#include "sheet/SheetFrames.h"

namespace icnkit {

struct TGifOptions {
  int32_t DelayMs = 100;  // per frame; the GIF stores hundredths, rounded
  size_t First = 0;       // the frames shown, inclusive
  size_t Last = SIZE_MAX;
  int32_t Scale = 1;  // each pixel as Scale x Scale pixels
};

// "A-B" or "A": frames A to B (numbered from 0, as in the frame folder), B
// cut to the last of frameCount frames; true when it was cut. Throws
// TZtError "--frames: expected A-B or A (frame numbers from 0), not
// "<text>"" for anything else, "--frames <text>: the range is reversed;
// write B-A" for B below A, and "--frames <text>: the archive's frames are
// 0-<count - 1>" when A is past the last frame ("the archive has no
// frames" for none). With frameCount SIZE_MAX it checks the text alone.
bool ParseFrameRange(const std::string& text, size_t frameCount, TGifOptions& options);

// Receives a GIF's bytes in order, in pieces of at most kGifPieceBytes, each
// valid during the call only. What it throws ends the GIF and comes out of
// TArchiveGif::Write as it was thrown.
using TGifSink = std::function<void(std::span<const uint8_t> bytes)>;
inline constexpr size_t kGifPieceBytes = size_t{1} << 16;
// Told the number of images written so far, after each one.
using TGifProgress = std::function<void(size_t imagesWritten)>;

// The GIF of an archive: checked when made, written by Write.
class TArchiveGif {
 public:
  // Throws TZtError, before any byte is written, for a delay outside
  // 0..655350 ms, a scale outside 1..64, a range beyond the frames, a
  // screen (the union rectangle scaled) larger than 65535 pixels a side
  // ("GIF too large: W x H") and a screen of more pixels than every bitmap
  // may have (bmp::MaxPixels(): "Bitmap too large: W x H"); a viewer draws
  // each frame into a bitmap of that size, and every frame lies within it.
  // frames (and the archive it refers to) must outlive it.
  TArchiveGif(const TArchiveFrames& frames, const std::vector<TRgbQuad>& palette,
              const TGifOptions& options);

  // The images of the GIF: the frames of the range (one for an archive
  // without frames: a GIF without images shows as a broken image).
  size_t ImageCount() const {
    return Frames_.Frames.empty() ? 1 : Options_.Last - Options_.First + 1;
  }

  // Encodes the GIF into sink, image after image, telling progress (when
  // given) after each. Throws what sink throws, and giflib's failures
  // ("GIF writer: <text>").
  void Write(const TGifSink& sink, const TGifProgress& progress = {}) const;

 private:
  const TArchiveFrames& Frames_;
  std::vector<TRgbQuad> Palette_;
  TGifOptions Options_;  // Last the last frame shown, when there are frames
  int64_t ScreenWidth_ = 1;
  int64_t ScreenHeight_ = 1;
};

// The whole GIF in memory, for callers that want its bytes.
std::vector<uint8_t> EncodeArchiveGif(const TArchiveFrames& frames,
                                      const std::vector<TRgbQuad>& palette,
                                      const TGifOptions& options);

}  // namespace icnkit
