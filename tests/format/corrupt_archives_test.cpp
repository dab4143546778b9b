// Replays the malformed archives under tests/data/corrupt/ (h1_*.icn and
// h2_*.icn): each either fails validation with its known message or decodes
// every frame without writing outside the frame's place on the union
// rectangle. The sanitizer build proves that nothing outside is read. A
// stream without an end is read no further than its frame allows.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>

#include "format/H1Codec.h"
#include "format/H2Codec.h"
#include "fs/Files.h"
#include "image/FrameDrawing.h"
#include "tests/TestSupport.h"
#include "tests/format/FormatTestSupport.h"
#include "unpack/UnpackerGeneration.h"

using namespace icnkit;

namespace {

// Files whose validation must fail, with the message.
const std::map<std::string, std::string> kRejected = {
    {"h1_short_header.icn", "Invalid archive: file shorter than its header"},
    {"h1_table_past_end.icn", "Invalid archive: frame table runs past the end of the file"},
    {"h1_offset_outside.icn", "Invalid archive: frame 1 starts outside the file"},
    {"h2_offset_at_end.icn", "Invalid archive: frame 1 starts outside the file"},
};

void DecodeEveryFrame(const std::string& path, const TBytes& image, TIcnGeneration generation) {
  const uint16_t count = FrameCount(image);
  const TRectangle bounds = UnionRectangle(image, generation);
  const int32_t left = bounds.Left, top = bounds.Top;
  ASSERT_LE(int64_t{bounds.Width} * bounds.Height, 1 << 22) << "keep corrupt archives small";
  for (size_t i = 0; i < count; ++i) {
    const TIcnFrame r = FrameRecordAt(image, generation, i);
    const bool fillOnly = generation == TIcnGeneration::H1
                              ? DeduceH1FillOnly(NameOfPath(path), image, i)
                              : IsFillOnly(r);
    TGuardedRaster raster(bounds.Width, bounds.Height);
    TFrameRaster frame = raster.Frame();
    frame.TopLeft += (r.Top - top) * frame.RowStep + (r.Left - left);
    frame.Width = r.Width;
    frame.Height = r.Height;
    const std::span<const uint8_t> stream = FrameStream(image, r);
    const TBytes exact(stream.begin(), stream.end());
    if (generation == TIcnGeneration::H1) {
      DecodeH1Frame(exact, frame, fillOnly);
    } else {
      DecodeH2Frame(exact, frame, fillOnly);
    }
    EXPECT_TRUE(raster.Guarded()) << "frame " << i;
    for (int32_t y = 0; y < bounds.Height; ++y) {
      for (int32_t x = 0; x < bounds.Width; ++x) {
        const bool inFrame = x >= r.Left - left && x < r.Left + r.Width - left &&
                             y >= r.Top - top && y < r.Top + r.Height - top;
        if (!inFrame) {
          ASSERT_EQ(raster.Pixel(x, y), 0) << "frame " << i << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(FormatCorruptArchives, ReplayEachFile) {
  const std::string folder = TestDataPath("corrupt/");
  size_t replayed = 0;
  for (const std::string& name : ListNames(folder)) {
    const bool h1 = name.rfind("h1_", 0) == 0, h2 = name.rfind("h2_", 0) == 0;
    if ((!h1 && !h2) || ExtensionOfPath(name) != ".icn") continue;
    SCOPED_TRACE(name);
    const TIcnGeneration generation = h1 ? TIcnGeneration::H1 : TIcnGeneration::H2;
    const TBytes image = ReadBytes(folder + name);
    std::string message;
    try {
      ValidateArchive(image, generation);
    } catch (const TZtError& error) {
      message = error.what();
    }
    const auto known = kRejected.find(name);
    EXPECT_EQ(message, known == kRejected.end() ? "" : known->second);
    if (message.empty()) DecodeEveryFrame(folder + name, image, generation);
    ++replayed;
  }
  EXPECT_GE(replayed, 14u);
}

TEST(FormatCorruptArchives, StreamsWithoutAnEndAreReadNoFurtherThanTheirFrameAllows) {
  // Two 1 x 2 frames share one stream: seven skip codes, then the end of
  // row 0, a literal 9 and the end of the frame. A 1 x 2 frame's stream is
  // at most 2 x 3 + 1 = 7 bytes long, so both the decoder and the fill-only
  // scan stop after the skips. Without that bound a stream of skip codes
  // running to the end of a 1 MB archive was read once per frame: 65,535
  // frames took a minute to unpack.
  const std::string path = TestDataPath("corrupt/h1_endless_shared_stream.icn");
  const std::vector<uint8_t> bytes = ReadBytes(path);
  const TArchiveImage archive(bytes);
  ValidateArchive(archive, TIcnGeneration::H1);
  TIndexedImage image;
  image.Create8Bit(1, 2, std::vector<TRgbQuad>(256));
  for (size_t i = 0; i < 2; ++i) {
    const TIcnFrame record = FrameRecordAt(archive, TIcnGeneration::H1, i);
    EXPECT_EQ(MaxStreamLength(record), 7u);
    // Past the bound without an end-of-frame code: not a normal stream.
    EXPECT_TRUE(DeduceH1FillOnly(NameOfPath(path), archive, i));
    image.RowAddress(1)[0] = 3;
    DrawFrame(kH1Generation, image, archive, record, false, 0, 0);
    EXPECT_EQ(image.RowAddress(1)[0], 0) << "the literal after the bound was decoded";
  }
}

}  // namespace
