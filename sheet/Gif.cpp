#include "sheet/Gif.h"

#include <gif_lib.h>

#include <algorithm>
#include <charconv>
#include <memory>

#include "format/Error.h"

namespace {

int AppendToVector(GifFileType* gif, const GifByteType* bytes, int length) {
  auto* output = static_cast<std::vector<uint8_t>*>(gif->UserData);
  output->insert(output->end(), bytes, bytes + length);
  return length;
}

[[noreturn]] void ThrowGifError(int code) {
  const char* text = GifErrorString(code);
  throw TZtError(std::string("GIF writer: ") + (text != nullptr ? text : "unknown error"));
}

// The encoder, closed (and freed) whatever happens.
class TGifWriter {
 public:
  explicit TGifWriter(std::vector<uint8_t>& output) {
    int error = 0;
    Gif_ = EGifOpen(&output, AppendToVector, &error);
    if (Gif_ == nullptr) ThrowGifError(error);
    EGifSetGifVersion(Gif_, true);
  }
  ~TGifWriter() {
    if (Gif_ != nullptr) EGifCloseFile(Gif_, nullptr);
  }
  TGifWriter(const TGifWriter&) = delete;
  TGifWriter& operator=(const TGifWriter&) = delete;

  void Check(int result) const {
    if (result == GIF_ERROR) ThrowGifError(Gif_->Error);
  }
  GifFileType* operator->() const { return Gif_; }
  GifFileType* Get() const { return Gif_; }
  void Close() {
    int error = 0;
    GifFileType* gif = Gif_;
    Gif_ = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR) ThrowGifError(error);
  }

 private:
  GifFileType* Gif_ = nullptr;
};

struct TMapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

void PutLoopForever(TGifWriter& gif) {
  static const GifByteType kApplication[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  static const GifByteType kLoop[] = {1, 0, 0};  // sub-block 1: loop count 0, for ever
  gif.Check(EGifPutExtensionLeader(gif.Get(), APPLICATION_EXT_FUNC_CODE));
  gif.Check(EGifPutExtensionBlock(gif.Get(), sizeof kApplication, kApplication));
  gif.Check(EGifPutExtensionBlock(gif.Get(), sizeof kLoop, kLoop));
  gif.Check(EGifPutExtensionTrailer(gif.Get()));
}

void PutFrameControl(TGifWriter& gif, int delayHundredths) {
  GraphicsControlBlock control;
  control.DisposalMode = DISPOSE_BACKGROUND;
  control.UserInputFlag = false;
  control.DelayTime = delayHundredths;
  control.TransparentColor = 0;
  GifByteType block[4];
  EGifGCBToExtension(&control, block);
  gif.Check(EGifPutExtension(gif.Get(), GRAPHICS_EXT_FUNC_CODE, sizeof block, block));
}

}  // namespace

bool ParseFrameRange(const std::string& text, size_t frameCount, TGifOptions& options) {
  const auto number = [](const char* from, const char* to, size_t& value) {
    const auto [end, error] = std::from_chars(from, to, value);
    return from != to && error == std::errc() && end == to;
  };
  const char* begin = text.data();
  const char* end = begin + text.size();
  const char* dash = std::find(begin, end, '-');
  size_t first = 0;
  size_t last = 0;
  const bool valid = dash == end ? number(begin, end, first) && number(begin, end, last)
                                 : number(begin, dash, first) && number(dash + 1, end, last);
  if (!valid) {
    throw TZtError("--frames: expected A-B or A (frame numbers from 0), not \"" + text + "\"");
  }
  if (first > last) {
    throw TZtError(
        ZtFormat("--frames %s: the range is reversed; write %zu-%zu", text.c_str(), last, first));
  }
  if (first >= frameCount) {
    throw TZtError(frameCount == 0 ? "--frames " + text + ": the archive has no frames"
                                   : ZtFormat("--frames %s: the archive's frames are 0-%zu",
                                              text.c_str(), frameCount - 1));
  }
  options.First = first;
  options.Last = std::min(last, frameCount - 1);
  return options.Last != last;
}

std::vector<uint8_t> EncodeArchiveGif(const TArchiveFrames& frames,
                                      const std::vector<TRgbQuad>& palette,
                                      const TGifOptions& options) {
  if (options.DelayMs < 0 || options.DelayMs > 655350) {
    throw TZtError("The delay must lie within 0..655350 milliseconds");
  }
  if (options.Scale < 1 || options.Scale > 64) throw TZtError("The scale must lie within 1..64");
  const size_t count = frames.Frames.size();
  const size_t first = options.First;
  const size_t last = options.Last == SIZE_MAX && count > 0 ? count - 1 : options.Last;
  if (count > 0 && (first > last || last >= count)) {
    throw TZtError(ZtFormat("--frames: the archive's frames are 0-%zu", count - 1));
  }
  const int64_t scale = options.Scale;
  const TRectangle& bounds = frames.Union;
  const int64_t screenWidth = std::max<int64_t>(1, bounds.Width * scale);
  const int64_t screenHeight = std::max<int64_t>(1, bounds.Height * scale);
  if (screenWidth > 65535 || screenHeight > 65535) {
    throw TZtError(ZtFormat("GIF too large: %lld x %lld", static_cast<long long>(screenWidth),
                            static_cast<long long>(screenHeight)));
  }

  std::vector<GifColorType> colours(256);
  for (size_t i = 0; i < std::min<size_t>(palette.size(), 256); ++i) {
    colours[i] = {palette[i].Red, palette[i].Green, palette[i].Blue};
  }
  const std::unique_ptr<ColorMapObject, TMapDeleter> map(GifMakeMapObject(256, colours.data()));
  if (!map) throw TZtError("GIF writer: out of memory");

  std::vector<uint8_t> output;
  TGifWriter gif(output);
  gif.Check(EGifPutScreenDesc(gif.Get(), static_cast<int>(screenWidth),
                              static_cast<int>(screenHeight), 8, 0, map.get()));
  PutLoopForever(gif);
  const int delay = (options.DelayMs + 5) / 10;
  std::vector<uint8_t> pixels;
  std::vector<GifPixelType> line;
  const auto putFrame = [&](size_t i) {
    PutFrameControl(gif, delay);
    if (i >= count || !frames.Frames[i].HasPixels()) {
      GifPixelType transparent = 0;
      gif.Check(EGifPutImageDesc(gif.Get(), 0, 0, 1, 1, false, nullptr));
      gif.Check(EGifPutLine(gif.Get(), &transparent, 1));
      return;
    }
    const TIcnFrame& record = frames.Frames[i].Record;
    pixels.assign(size_t{record.Width} * record.Height, 0);
    DecodeFrameInto(frames, i,
                    TopDownRaster(pixels.data(), record.Width, 0, 0, record.Width, record.Height));
    const int64_t width = record.Width * scale;
    gif.Check(EGifPutImageDesc(gif.Get(), static_cast<int>((record.Left - bounds.Left) * scale),
                               static_cast<int>((record.Top - bounds.Top) * scale),
                               static_cast<int>(width), static_cast<int>(record.Height * scale),
                               false, nullptr));
    line.resize(size_t(width));
    for (int32_t y = 0; y < record.Height; ++y) {
      // giflib masks the line in place (a no-op at 8 bits): both are ours.
      GifPixelType* row = pixels.data() + size_t(y) * record.Width;
      GifPixelType* out = scale == 1 ? row : line.data();
      if (scale > 1) {
        for (int32_t x = 0; x < record.Width; ++x) {
          std::fill_n(line.data() + x * scale, scale, row[x]);
        }
      }
      for (int64_t repeat = 0; repeat < scale; ++repeat) {
        gif.Check(EGifPutLine(gif.Get(), out, static_cast<int>(width)));
      }
    }
  };
  if (count == 0) {
    putFrame(0);  // a GIF without images shows as a broken image
  } else {
    for (size_t i = first; i <= last; ++i) putFrame(i);
  }
  gif.Close();
  return output;
}
