// Animated GIFs decoded back by giflib: the screen is the union rectangle,
// every frame an image at its place with its pixels (index 0 transparent,
// fill-only frames in their fill index), the palette, the loop, the delay,
// a frame range and a scale; the GIF streamed in pieces, and the pixel
// bound on its screen.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "format/Error.h"
#include "sheet/Gif.h"
#include "tests/TestSupport.h"
#include "tests/sheet/SheetTestSupport.h"

using namespace icnkit;

using namespace sheettest;

namespace {

struct TReadState {
  const TBytes* Bytes;
  size_t Offset = 0;
};

int ReadFromBytes(GifFileType* gif, GifByteType* into, int length) {
  auto* state = static_cast<TReadState*>(gif->UserData);
  const size_t n = std::min(size_t(length), state->Bytes->size() - state->Offset);
  std::memcpy(into, state->Bytes->data() + state->Offset, n);
  state->Offset += n;
  return int(n);
}

// The whole file through DGifSlurp; closed when the test is done with it.
struct TDecodedGif {
  explicit TDecodedGif(const TBytes& bytes) : State{&bytes} {
    int error = 0;
    Gif = DGifOpen(&State, ReadFromBytes, &error);
    if (Gif == nullptr || DGifSlurp(Gif) != GIF_OK) throw TZtError("giflib cannot read the GIF");
  }
  ~TDecodedGif() { DGifCloseFile(Gif, nullptr); }
  TReadState State;
  GifFileType* Gif = nullptr;
};

bool LoopsForever(const GifFileType* gif) {
  const SavedImage& first = gif->SavedImages[0];
  for (int i = 0; i + 1 < first.ExtensionBlockCount; ++i) {
    const ExtensionBlock& block = first.ExtensionBlocks[i];
    if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
        std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0) {
      const ExtensionBlock& data = first.ExtensionBlocks[i + 1];
      return data.ByteCount == 3 && data.Bytes[0] == 1 && data.Bytes[1] == 0 && data.Bytes[2] == 0;
    }
  }
  return false;
}

// Image `image` of the GIF shows frame i of frames at scale.
void ExpectFrame(const GifFileType* gif, int image, const TArchiveFrames& frames, size_t i,
                 int scale, int delay) {
  SCOPED_TRACE(testing::Message() << "frame " << i);
  const SavedImage& saved = gif->SavedImages[image];
  GraphicsControlBlock control;
  ASSERT_EQ(DGifSavedExtensionToGCB(const_cast<GifFileType*>(gif), image, &control), GIF_OK);
  EXPECT_EQ(control.TransparentColor, 0);
  EXPECT_EQ(control.DisposalMode, DISPOSE_BACKGROUND);
  EXPECT_EQ(control.DelayTime, delay);
  const TFrameFacts& facts = frames.Frames[i];
  if (!facts.HasPixels()) {
    EXPECT_EQ(saved.ImageDesc.Width, 1);
    EXPECT_EQ(saved.ImageDesc.Height, 1);
    EXPECT_EQ(saved.RasterBits[0], 0);
    return;
  }
  const TIcnFrame& record = facts.Record;
  EXPECT_EQ(saved.ImageDesc.Left, (record.Left - frames.Union.Left) * scale);
  EXPECT_EQ(saved.ImageDesc.Top, (record.Top - frames.Union.Top) * scale);
  ASSERT_EQ(saved.ImageDesc.Width, record.Width * scale);
  ASSERT_EQ(saved.ImageDesc.Height, record.Height * scale);
  const TBytes pixels = FramePixels(frames, i);
  for (int y = 0; y < saved.ImageDesc.Height; ++y) {
    for (int x = 0; x < saved.ImageDesc.Width; ++x) {
      const uint8_t expected = pixels[size_t(y / scale) * record.Width + size_t(x / scale)];
      ASSERT_EQ(saved.RasterBits[size_t(y) * saved.ImageDesc.Width + size_t(x)], expected)
          << x << ", " << y;
      if (facts.FillOnly) {
        ASSERT_TRUE(expected == 0 || expected == kFillOnlyIndex);
      }
    }
  }
}

TEST(GifDecode, GiflibReadsBackEveryFrameAtItsPlace) {
  std::mt19937 random(1234);
  for (const TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    for (int round = 0; round < 4; ++round) {
      const TBytes archive = MixedArchive(random, generation, 2 + random() % 12, round == 3);
      const TArchiveFrames frames =
          ReadArchiveFrames(archive, generation, round == 3 ? "font.icn" : "g.icn");
      for (const int scale : {1, 3}) {
        TGifOptions options;
        options.Scale = scale;
        options.DelayMs = 80;
        const TBytes bytes = EncodeArchiveGif(frames, TestPalette(), options);
        const TDecodedGif decoded(bytes);
        const GifFileType* gif = decoded.Gif;
        EXPECT_EQ(gif->SWidth, std::max(1, frames.Union.Width * scale));
        EXPECT_EQ(gif->SHeight, std::max(1, frames.Union.Height * scale));
        ASSERT_NE(gif->SColorMap, nullptr);
        ASSERT_EQ(gif->SColorMap->ColorCount, 256);
        for (int c = 0; c < 256; ++c) {
          EXPECT_EQ(gif->SColorMap->Colors[c].Red, TestPalette()[size_t(c)].Red);
          EXPECT_EQ(gif->SColorMap->Colors[c].Green, TestPalette()[size_t(c)].Green);
          EXPECT_EQ(gif->SColorMap->Colors[c].Blue, TestPalette()[size_t(c)].Blue);
        }
        EXPECT_TRUE(LoopsForever(gif));
        ASSERT_EQ(size_t(gif->ImageCount), frames.Frames.size());
        for (size_t i = 0; i < frames.Frames.size(); ++i) {
          ExpectFrame(gif, int(i), frames, i, scale, 8);
        }
      }
    }
  }
}

TEST(GifDecode, FrameRangesDelaysAndSamples) {
  const TBytes archive = ReadBytes(TestDataPath("../../examples/sample_h2.icn"));
  const TArchiveFrames frames = ReadArchiveFrames(archive, TIcnGeneration::H2, "sample_h2.icn");
  TGifOptions options;
  ParseFrameRange("1-3", frames.Frames.size(), options);
  options.DelayMs = 1234;  // 123.4 hundredths: 123
  const TBytes bytes = EncodeArchiveGif(frames, TestPalette(), options);
  const TDecodedGif decoded(bytes);
  ASSERT_EQ(decoded.Gif->ImageCount, 3);
  for (int image = 0; image < 3; ++image)
    ExpectFrame(decoded.Gif, image, frames, size_t(image) + 1, 1, 123);

  // The last frame (fill-only shadow) alone.
  ParseFrameRange("4", frames.Frames.size(), options);
  const TBytes shadow = EncodeArchiveGif(frames, TestPalette(), options);
  const TDecodedGif decodedShadow(shadow);
  ASSERT_EQ(decodedShadow.Gif->ImageCount, 1);
  ASSERT_TRUE(frames.Frames[4].FillOnly);
  ExpectFrame(decodedShadow.Gif, 0, frames, 4, 1, 123);

  // Past the end: cut to the frames there are; reversed or starting past
  // the end: refused.
  TGifOptions range;
  EXPECT_TRUE(ParseFrameRange("3-9", 5, range));
  EXPECT_EQ(range.First, 3u);
  EXPECT_EQ(range.Last, 4u);
  EXPECT_FALSE(ParseFrameRange("0-4", 5, range));
  EXPECT_FALSE(ParseFrameRange("2-900", SIZE_MAX, range));  // the text alone
  EXPECT_EQ(MessageOf([&] { ParseFrameRange("3-1", 5, range); }),
            "--frames 3-1: the range is reversed; write 1-3");
  EXPECT_EQ(MessageOf([&] { ParseFrameRange("5-9", 5, range); }),
            "--frames 5-9: the archive's frames are 0-4");
  for (const char* bad : {"", "-", "a-b", "1-", "-2", "1-2-3", "+1", "1 - 2"}) {
    EXPECT_EQ(
        MessageOf([&] { ParseFrameRange(bad, 5, range); }),
        std::string("--frames: expected A-B or A (frame numbers from 0), not \"") + bad + "\"");
  }
  EXPECT_EQ(MessageOf([&] { ParseFrameRange("0", 0, range); }),
            "--frames 0: the archive has no frames");
  options = {};
  options.Scale = 0;
  EXPECT_EQ(MessageOf([&] { EncodeArchiveGif(frames, TestPalette(), options); }),
            "The scale must lie within 1..64");
  options = {};
  options.DelayMs = -1;
  EXPECT_EQ(MessageOf([&] { EncodeArchiveGif(frames, TestPalette(), options); }),
            "The delay must lie within 0..655350 milliseconds");
  options = {};
  options.Last = 5;
  EXPECT_EQ(MessageOf([&] { EncodeArchiveGif(frames, TestPalette(), options); }),
            "--frames: the archive's frames are 0-4");
}

TEST(GifDecode, FramesWithoutPixelsAreTransparentAndLargeScreensAreRefused) {
  // The union of (2, 2, 0 x 0) and (0, 0, 7 x 0) is 7 x 2; no frames: 1 x 1.
  for (const TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    for (const TBytes& archive :
         {TBytes(6, 0),
          BuildArchive(generation, {EncodedFrame(generation, Record(2, 2, 0, 0), {}),
                                    EncodedFrame(generation, Record(0, 0, 7, 0), {})})}) {
      const TArchiveFrames frames = ReadArchiveFrames(archive, generation, "e.icn");
      const TBytes bytes = EncodeArchiveGif(frames, TestPalette(), {});
      const TDecodedGif decoded(bytes);
      EXPECT_EQ(decoded.Gif->SWidth, frames.Frames.empty() ? 1 : 7);
      EXPECT_EQ(decoded.Gif->SHeight, frames.Frames.empty() ? 1 : 2);
      ASSERT_EQ(size_t(decoded.Gif->ImageCount), std::max<size_t>(1, frames.Frames.size()));
      for (int i = 0; i < decoded.Gif->ImageCount; ++i) {
        EXPECT_EQ(decoded.Gif->SavedImages[i].RasterBits[0], 0);
      }
    }
    const TBytes wide =
        BuildArchive(generation, {EncodedFrame(generation, Record(0, 0, 1, 1), {3}),
                                  EncodedFrame(generation, Record(30000, 0, 1, 1), {3})});
    const TArchiveFrames frames = ReadArchiveFrames(wide, generation, "w.icn");
    TGifOptions options;
    EXPECT_NO_THROW(EncodeArchiveGif(frames, TestPalette(), options));
    options.Scale = 3;
    EXPECT_EQ(MessageOf([&] { EncodeArchiveGif(frames, TestPalette(), options); }),
              "GIF too large: 90003 x 3");
  }
}

// The GIF comes in pieces of at most kGifPieceBytes, the same bytes as the
// whole; progress counts the images; what the sink throws ends it as thrown.
TEST(GifStream, PiecesProgressAndTheSinksFailure) {
  std::mt19937 random(25);
  TBytes noise(200 * 200);
  for (uint8_t& pixel : noise) pixel = uint8_t(random());
  const TBytes archive = BuildArchive(
      TIcnGeneration::H2, {EncodedFrame(TIcnGeneration::H2, Record(0, 0, 200, 200), noise),
                           SolidFrame(TIcnGeneration::H2, 5, 5, 10, 10, 7)});
  const TArchiveFrames frames = ReadArchiveFrames(archive, TIcnGeneration::H2, "n.icn");
  TGifOptions options;
  options.Scale = 2;
  const TArchiveGif gif(frames, TestPalette(), options);
  TBytes joined;
  std::vector<size_t> sizes;
  std::vector<size_t> progress;
  gif.Write(
      [&](std::span<const uint8_t> piece) {
        sizes.push_back(piece.size());
        joined.insert(joined.end(), piece.begin(), piece.end());
      },
      [&](size_t images) { progress.push_back(images); });
  EXPECT_EQ(joined, EncodeArchiveGif(frames, TestPalette(), options));
  EXPECT_GT(sizes.size(), 2u);
  EXPECT_LE(*std::max_element(sizes.begin(), sizes.end()), kGifPieceBytes);
  EXPECT_EQ(progress, (std::vector<size_t>{1, 2}));
  int pieces = 0;
  EXPECT_EQ(MessageOf([&] {
              gif.Write([&](std::span<const uint8_t>) {
                if (++pieces == 2) throw TZtError("No space left on device");
              });
            }),
            "No space left on device");
  EXPECT_EQ(pieces, 2);
}

// The screen (the union rectangle scaled) is a bitmap: beyond the pixel
// bound it is refused when the GIF is made, before any byte.
TEST(GifStream, ScreensBeyondThePixelBoundAreRefused) {
  if (bmp::MaxPixels() != bmp::kDefaultMaxPixels) GTEST_SKIP() << "ICNKIT_MAX_PIXELS is set";
  const auto empty = [](int16_t left, int16_t top, uint16_t width, uint16_t height) {
    return TTestFrame{Record(left, top, width, height), EncodeFrame(TIcnGeneration::H1, {}, 0, 0)};
  };
  const struct {
    std::vector<TTestFrame> Frames;
    int32_t Scale;
    std::string Message;
  } cases[] = {
      {{empty(0, 0, 256, 256)}, 64, "(no exception)"},  // 16384 x 16384: 2^28 pixels exactly
      {{empty(0, 0, 257, 256)}, 64, "Bitmap too large: 16448 x 16384"},
      {{empty(0, 0, 258, 260)}, 64, "Bitmap too large: 16512 x 16640"},
      {{empty(0, 0, 65535, 65535)}, 1, "Bitmap too large: 65535 x 65535"},
      {{empty(0, 0, 1, 1), empty(20000, 20000, 1, 1)}, 1, "Bitmap too large: 20001 x 20001"},
      {{empty(0, 0, 1024, 1)}, 64, "GIF too large: 65536 x 64"},
  };
  for (const auto& [frameList, scale, message] : cases) {
    const TBytes archive = BuildArchive(TIcnGeneration::H1, frameList);
    const TArchiveFrames frames = ReadArchiveFrames(archive, TIcnGeneration::H1, "b.icn");
    TGifOptions options;
    options.Scale = scale;
    EXPECT_EQ(MessageOf([&] { const TArchiveGif gif(frames, TestPalette(), options); }), message);
  }
}

}  // namespace
