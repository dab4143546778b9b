#include "sheet/Gif.h"

#include <gif_lib.h>

#include <algorithm>
#include <charconv>
#include <exception>
#include <memory>

#include "format/Error.h"

namespace icnkit {

namespace {

[[noreturn]] void ThrowGifError(int code) {
  const char* text = GifErrorString(code);
  throw TZtError(std::string("GIF writer: ") + (text != nullptr ? text : "unknown error"));
}

// The encoder, closed (and freed) whatever happens. giflib's output is
// collected and handed to the sink between giflib's calls, a piece at a
// time: nothing the sink throws passes through giflib's C code.
class TGifWriter {
 public:
  explicit TGifWriter(const TGifSink& sink) : Sink_(sink) {
    Collected_.reserve(kGifPieceBytes);
    int error = 0;
    Gif_ = EGifOpen(this, Collect, &error);
    if (Gif_ == nullptr) ThrowGifError(error);
    EGifSetGifVersion(Gif_, true);
  }
  ~TGifWriter() {
    if (Gif_ != nullptr) EGifCloseFile(Gif_, nullptr);
  }
  TGifWriter(const TGifWriter&) = delete;
  TGifWriter& operator=(const TGifWriter&) = delete;

  // The result of a giflib call: its failure raised, its output passed on
  // once a piece is full.
  void Check(int result) {
    if (result == GIF_ERROR) Fail(Gif_->Error);
    Pass(kGifPieceBytes);
  }
  GifFileType* Get() const { return Gif_; }
  // Ends the GIF and passes on the rest.
  void Close() {
    int error = 0;
    GifFileType* gif = Gif_;
    Gif_ = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR) Fail(error);
    Pass(1);
  }

 private:
  static int Collect(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* writer = static_cast<TGifWriter*>(gif->UserData);
    try {
      writer->Collected_.insert(writer->Collected_.end(), bytes, bytes + length);
      return length;
    } catch (...) {
      writer->Failure_ = std::current_exception();
      return 0;  // giflib: a write failure
    }
  }
  [[noreturn]] void Fail(int code) const {
    if (Failure_) std::rethrow_exception(Failure_);
    ThrowGifError(code);
  }
  // Hands the sink what is collected, once it is least bytes or more.
  void Pass(size_t least) {
    if (Collected_.size() < least) return;
    const std::span<const uint8_t> all(Collected_);
    for (size_t at = 0; at < all.size(); at += kGifPieceBytes) {
      Sink_(all.subspan(at, std::min(kGifPieceBytes, all.size() - at)));
    }
    Collected_.clear();
  }

  const TGifSink& Sink_;
  GifFileType* Gif_ = nullptr;
  std::vector<uint8_t> Collected_;
  std::exception_ptr Failure_;
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

TArchiveGif::TArchiveGif(const TArchiveFrames& frames, const std::vector<TRgbQuad>& palette,
                         const TGifOptions& options)
    : Frames_(frames), Palette_(palette), Options_(options) {
  if (options.DelayMs < 0 || options.DelayMs > 655350) {
    throw TZtError("The delay must lie within 0..655350 milliseconds");
  }
  if (options.Scale < 1 || options.Scale > 64) throw TZtError("The scale must lie within 1..64");
  const size_t count = frames.Frames.size();
  if (options.Last == SIZE_MAX && count > 0) Options_.Last = count - 1;
  if (count > 0 && (Options_.First > Options_.Last || Options_.Last >= count)) {
    throw TZtError(ZtFormat("--frames: the archive's frames are 0-%zu", count - 1));
  }
  ScreenWidth_ = std::max<int64_t>(1, int64_t{frames.Union.Width} * options.Scale);
  ScreenHeight_ = std::max<int64_t>(1, int64_t{frames.Union.Height} * options.Scale);
  if (ScreenWidth_ > 65535 || ScreenHeight_ > 65535) {
    throw TZtError(ZtFormat("GIF too large: %lld x %lld", static_cast<long long>(ScreenWidth_),
                            static_cast<long long>(ScreenHeight_)));
  }
  if (ScreenWidth_ * ScreenHeight_ > bmp::MaxPixels()) {
    bmp::ThrowTooLarge(ScreenWidth_, ScreenHeight_);
  }
}

void TArchiveGif::Write(const TGifSink& sink, const TGifProgress& progress) const {
  std::vector<GifColorType> colours(256);
  for (size_t i = 0; i < std::min<size_t>(Palette_.size(), 256); ++i) {
    colours[i] = {Palette_[i].Red, Palette_[i].Green, Palette_[i].Blue};
  }
  const std::unique_ptr<ColorMapObject, TMapDeleter> map(GifMakeMapObject(256, colours.data()));
  if (!map) throw TZtError("GIF writer: out of memory");

  TGifWriter gif(sink);
  gif.Check(EGifPutScreenDesc(gif.Get(), static_cast<int>(ScreenWidth_),
                              static_cast<int>(ScreenHeight_), 8, 0, map.get()));
  PutLoopForever(gif);
  const TRectangle& bounds = Frames_.Union;
  const size_t count = Frames_.Frames.size();
  const int64_t scale = Options_.Scale;
  const int delay = (Options_.DelayMs + 5) / 10;  // hundredths
  std::vector<uint8_t> pixels;
  std::vector<GifPixelType> line;
  const auto putFrame = [&](size_t i) {
    PutFrameControl(gif, delay);
    if (i >= count || !Frames_.Frames[i].HasPixels()) {
      GifPixelType transparent = 0;
      gif.Check(EGifPutImageDesc(gif.Get(), 0, 0, 1, 1, false, nullptr));
      gif.Check(EGifPutLine(gif.Get(), &transparent, 1));
      return;
    }
    const TIcnFrame& record = Frames_.Frames[i].Record;
    pixels.assign(size_t{record.Width} * record.Height, 0);
    DecodeFrameInto(Frames_, i,
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
  const size_t images = ImageCount();
  for (size_t n = 0; n < images; ++n) {
    putFrame(Options_.First + n);  // without frames: frame 0, which is none
    if (progress) progress(n + 1);
  }
  gif.Close();
}

std::vector<uint8_t> EncodeArchiveGif(const TArchiveFrames& frames,
                                      const std::vector<TRgbQuad>& palette,
                                      const TGifOptions& options) {
  std::vector<uint8_t> output;
  TArchiveGif(frames, palette, options).Write([&output](std::span<const uint8_t> bytes) {
    output.insert(output.end(), bytes.begin(), bytes.end());
  });
  return output;
}

}  // namespace icnkit
