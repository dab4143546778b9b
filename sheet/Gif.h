// Animated GIFs of archives (giflib): one image per frame, drawn at its
// place on the union rectangle (the logical screen), index 0 transparent,
// the archive's palette as the global colour table, looping for ever
// (NETSCAPE2.0). Each frame is cleared again before the next is drawn
// (disposal "restore to background"), so frames never pile up. A frame
// without pixels is one transparent pixel, so it still takes its time;
// fill-only frames show their fill index (5) where their pixels are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/BmpHeader.h"
#include "sheet/SheetFrames.h"

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

// The GIF file. Throws TZtError for a delay outside 0..655350 ms, a scale
// outside 1..64, a range beyond the frames, a screen larger than 65535
// pixels a side ("GIF too large: W x H"), and giflib's failures.
std::vector<uint8_t> EncodeArchiveGif(const TArchiveFrames& frames,
                                      const std::vector<TRgbQuad>& palette,
                                      const TGifOptions& options);
