#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>

#include "fs/Files.h"
#include "image/BmpFile.h"
#include "image/BmpHeader.h"
#include "testdata/BmpBuilder.h"
#include "tests/TestSupport.h"
#include "tests/image/BmpTestSupport.h"

using namespace icnkit;

namespace {

using namespace testdata;

using TRows = std::vector<std::vector<uint8_t>>;

TBmpSpec Spec8(int32_t width, int32_t height, const TRows& rows) {
  TBmpSpec spec;
  spec.Width = width;
  spec.Height = height;
  spec.ColourTable = DistinctColours(16);
  spec.PixelData = BottomUpData(rows);
  return spec;
}

// 4 x 4 picture with the rows given from the top.
const TRows kRle8Picture = {{0, 0, 0, 0}, {3, 0, 7, 7}, {5, 9, 1, 2}, {9, 9, 9, 9}};

// RLE8 data of kRle8Picture (4 x 4, stride 4, bottom row first): a run
// that passes the right edge and continues on the next row of memory, an
// odd literal run with its pad byte, an end of line (back to the row start
// plus one row), a delta, and an end of bitmap before data that is ignored.
const std::vector<uint8_t> kRle8Data = {
    6, 9,                 // offsets 0..5 = 9
    0, 3, 1, 2, 3, 0xEE,  // literal 1 2 3 at 6..8, pad byte skipped
    0, 0,                 // end of line: row start 4
    1, 5,                 // offset 4 = 5
    0, 2, 1, 1,           // delta right 1, up 1 row: offset 10
    2, 7,                 // offsets 10, 11 = 7
    0, 1,                 // end of bitmap
    4, 8,                 // not decoded
};

std::vector<uint8_t> Rle8File(int32_t width, int32_t height, const std::vector<uint8_t>& data) {
  TBmpSpec spec;
  spec.Width = width;
  spec.Height = height;
  spec.Compression = kBiRle8;
  spec.ColourTable = DistinctColours(16);
  spec.PixelData = data;
  return MakeBmp(spec);
}

TEST(BmpLoading, ImageSizeFieldIsRecomputedForUncompressedFiles) {
  const TRows rows = {{1, 2, 3}, {4, 5, 6}};
  TBmpSpec spec = Spec8(3, 2, rows);
  spec.ImageSizeField = 0;
  EXPECT_EQ(RowsOf(*LoadBmpBytes(MakeBmp(spec))), rows);

  // Bit-field files with an info header of 40 bytes or more: the size
  // field is recomputed too, and a wrong one loses no rows.
  TBmpSpec fields;
  fields.Width = 2;
  fields.Height = 2;
  fields.BitsPerPixel = 16;
  fields.Compression = kBiBitFields;
  fields.Masks = {0xF800, 0x7E0, 0x1F};
  fields.PixelData = {1, 2, 3, 4, 5, 6, 7, 8};
  fields.ImageSizeField = 2;
  const std::vector<uint8_t> file = MakeBmp(fields);
  const auto image = LoadBmpBytes(file);
  EXPECT_EQ(image->RowAddress(0)[3], 8);
  EXPECT_EQ(image->BitsPerPixel(), 16);
  // A shorter info header (24 bytes, up to the size field) keeps the
  // field: 2 bytes are read, the rest stays 0.
  fields.InfoSize = 24;
  const auto trusted = LoadBmpBytes(MakeBmp(fields));
  EXPECT_EQ(trusted->RowAddress(1)[0], 1);
  EXPECT_EQ(trusted->RowAddress(1)[2], 0);
  EXPECT_EQ(trusted->RowAddress(0)[3], 0);
  EXPECT_EQ(trusted->BitsPerPixel(), 16);
}

TEST(BmpLoading, TopDownFileLoadsLikeItsBottomUpTwin) {
  const TRows rows = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  TBmpSpec spec = Spec8(3, 3, rows);
  const auto bottomUp = LoadBmpBytes(MakeBmp(spec));
  spec.Height = -3;
  spec.PixelData = BottomUpData({rows[2], rows[1], rows[0]});  // top row first
  const std::vector<uint8_t> file = MakeBmp(spec);
  const auto topDown = LoadBmpBytes(file);
  EXPECT_EQ(RowsOf(*topDown), RowsOf(*bottomUp));
  EXPECT_EQ(topDown->ColourTable(), bottomUp->ColourTable());

  // Saved again, it is exactly the bottom-up file.
  EXPECT_EQ(topDown->BmpBytes(), MakeBmp(Spec8(3, 3, rows)));

  // A file must hold all its rows, whatever its info header.
  std::vector<uint8_t> cut(file.begin(), file.end() - 1);
  EXPECT_EQ(LoadBmpMessage(cut), "Stream read error");
  TBmpSpec shortInfo = spec;
  shortInfo.InfoSize = 24;
  std::vector<uint8_t> shortFile = MakeBmp(shortInfo);
  shortFile.resize(shortFile.size() - 5);
  EXPECT_EQ(LoadBmpMessage(shortFile), "Stream read error");
}

TEST(BmpLoading, Rle8LoadsLikeTheUncompressedFile) {
  const auto rle = LoadBmpBytes(Rle8File(4, 4, kRle8Data));
  EXPECT_EQ(RowsOf(*rle), kRle8Picture);
  EXPECT_TRUE(rle->Is8Bit());
  EXPECT_EQ(rle->ColourTable(), DistinctColours(16));

  // Data that ends early, inside a literal run: what was read is decoded.
  const auto early = LoadBmpBytes(Rle8File(4, 2, {3, 4, 0, 5, 1, 2}));
  EXPECT_EQ(RowsOf(*early), (TRows{{2, 0, 0, 0}, {4, 4, 4, 1}}));

  // A file-size field that claims far more data than there is.
  std::vector<uint8_t> claims = Rle8File(4, 4, kRle8Data);
  claims[2] = claims[3] = claims[4] = claims[5] = 0xFF;
  EXPECT_EQ(RowsOf(*LoadBmpBytes(claims)), kRle8Picture);

  // Top-down RLE8 starts at the top row and steps downwards.
  const auto topDown = LoadBmpBytes(Rle8File(2, -2, {2, 1, 0, 0, 2, 3}));
  EXPECT_EQ(RowsOf(*topDown), (TRows{{1, 1}, {3, 3}}));
}

// The decoder stays inside its output area and its data whatever the codes.
TEST(BmpLoading, HostileRle8StaysInBounds) {
  const std::vector<std::vector<uint8_t>> streams = {
      {0, 2, 255, 255, 3, 1},            // delta far past the end, then a run
      {0, 2, 3, 0, 255, 6},              // delta right, then a run past the end
      {0, 0, 0, 0, 0, 0, 0, 0, 255, 1},  // end of line past the last row
      {0, 2, 0, 3, 0, 255, 1, 2, 3},     // literal longer than the data, at the end
      {0, 2},                            // delta without its two bytes
      {0},                               // one odd byte
  };
  for (const auto& data : streams) {
    const auto image = LoadBmpBytes(Rle8File(4, 4, data));
    EXPECT_EQ(image->Height(), 4);
  }
  EXPECT_EQ(RowsOf(*LoadBmpBytes(Rle8File(4, 4, {0, 2, 3, 0, 255, 6})))[0],
            (std::vector<uint8_t>{6, 6, 6, 6}));
  // Pixel data that begins past the end of the file.
  TBmpSpec spec;
  spec.Width = 4;
  spec.Height = 4;
  spec.Compression = kBiRle8;
  spec.PixelOffset = 100000;
  std::vector<uint8_t> file = MakeBmp(spec);
  file.resize(60);
  EXPECT_EQ(LoadBmpMessage(file), "Bitmap image is not valid");
  EXPECT_EQ(LoadBmpMessage(Rle8File(70000, 70000, {})), "Bitmap too large: 70000 x 70000");
}

TEST(BmpLoading, OtherFilesReachTheReaderUnchanged) {
  // RLE4: not rewritten and not decoded; the image is device-dependent.
  TBmpSpec rle4;
  rle4.Width = 4;
  rle4.Height = 2;
  rle4.BitsPerPixel = 4;
  rle4.Compression = kBiRle4;
  rle4.ColourTable = DistinctColours(16);
  rle4.PixelData = {4, 0x12, 0, 1};
  const auto device = LoadBmpBytes(MakeBmp(rle4));
  EXPECT_TRUE(device->DeviceDependent());
  EXPECT_FALSE(device->Is8Bit());
  EXPECT_EQ(device->Width(), 4);
  EXPECT_FALSE(device->HasPixels());
  EXPECT_EQ(MessageOf([&] { device->RowAddress(0); }), "Scan line index out of range");

  // A 12-byte core header: 16-bit fields and 3-byte colour entries. Its
  // colour table covers offsets 26..793, so a rewrite of the info header's
  // image-size field (offset 34) would show up in entries 2 and 3.
  std::vector<uint8_t> core = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0x1A, 0x03, 0,
                               0,   12,  0, 0, 0, 2, 0, 2, 0, 1, 0,    8,    0};
  for (int i = 0; i < 256; ++i) {
    core.insert(core.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                             static_cast<uint8_t>(i ^ 0x55)});
  }
  core.insert(core.end(), {1, 2, 0, 0, 3, 4, 0, 0});
  const auto old = LoadBmpBytes(core);
  ASSERT_EQ(old->ColourTable().size(), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(old->ColourTable()[i],
              (TRgbQuad{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                        static_cast<uint8_t>(i ^ 0x55), 0}));
  }
  EXPECT_EQ(RowsOf(*old), (TRows{{3, 4}, {1, 2}}));

  // Under 54 bytes: the reader gets exactly the bytes. A 1-bit core file of
  // one pixel is 36 bytes and loads; a cut file fails in the reader.
  const std::vector<uint8_t> tiny = {'B', 'M', 36, 0, 0, 0,   0,   0,   0,    0, 32, 0,
                                     0,   0,   12, 0, 0, 0,   1,   0,   1,    0, 1,  0,
                                     1,   0,   0,  0, 0, 255, 255, 255, 0x80, 0, 0,  0};
  const auto one = LoadBmpBytes(tiny);
  EXPECT_EQ(one->BitsPerPixel(), 1);
  EXPECT_EQ(one->RowAddress(0)[0], 0x80);
  EXPECT_EQ(LoadBmpMessage(std::vector<uint8_t>(tiny.begin(), tiny.begin() + 20)),
            "Stream read error");
  EXPECT_EQ(LoadBmpMessage({'X', 'Y', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0}),
            "Bitmap image is not valid");
  const auto empty = LoadBmpBytes({});
  EXPECT_TRUE(empty->DeviceDependent());
  EXPECT_FALSE(empty->Is8Bit());
}

TEST(BmpLoading, EveryDepthLoadsAndOnlyEightBitsAre8Bit) {
  struct TCase {
    uint16_t Bits;
    uint32_t Compression;
    std::vector<uint32_t> Masks;
  };
  const TCase cases[] = {{1, kBiRgb, {}},
                         {4, kBiRgb, {}},
                         {8, kBiRgb, {}},
                         {16, kBiRgb, {}},
                         {16, kBiBitFields, {0xF800, 0x7E0, 0x1F}},
                         {24, kBiRgb, {}},
                         {32, kBiRgb, {}},
                         {32, kBiBitFields, {0xFF0000, 0xFF00, 0xFF}}};
  for (const TCase& c : cases) {
    TBmpSpec spec;
    spec.Width = 1;
    spec.Height = 1;
    spec.BitsPerPixel = c.Bits;
    spec.Compression = c.Compression;
    spec.Masks = c.Masks;
    if (c.Bits <= 8) spec.ColourTable = DistinctColours(1 << c.Bits);
    spec.PixelData = {0, 0, 0, 0};
    const auto image = LoadBmpBytes(MakeBmp(spec));
    EXPECT_EQ(image->BitsPerPixel(), c.Bits);
    EXPECT_EQ(image->Is8Bit(), c.Bits == 8) << c.Bits;
  }
  EXPECT_TRUE(LoadBmpBytes(Rle8File(4, 4, kRle8Data))->Is8Bit());
}

TEST(BmpLoading, FromFileLoadsOrNamesTheFile) {
  TTempFolder folder;
  const std::string path = folder / "a.bmp";
  WriteBytes(path, MakeBmp(Spec8(2, 1, {{1, 2}})));
  EXPECT_EQ(RowsOf(LoadBmpFromFile(NativeFs(), path)), (TRows{{1, 2}}));
  const std::string missing = folder / "none.bmp";
  EXPECT_EQ(MessageOf([&] { LoadBmpFromFile(NativeFs(), missing); }),
            "Cannot open file \"" + NativeFs().FullPath(missing) + "\". " + NativeErrorText(2));
}

// --- Files written by ImageMagick and Pillow (tests/data/bmp/README.md) ---

struct TRgb {
  uint8_t Red, Green, Blue;
  bool operator==(const TRgb&) const = default;
};

const char* const kRowsA[] = {"RRRRRGGGBBWKK", "KRGBWYRGBWYKK", "WWWWWWWWWWWWW", "YYYKKKRRRGGGB",
                              "BGRBGRBGRBGRB"};
const uint8_t kRowsB[5][13] = {{0, 0, 0, 0, 1, 2, 3, 4, 5, 5, 5, 6, 7},
                               {8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0},
                               {19, 19, 19, 19, 19, 19, 19, 19, 19, 19, 19, 19, 19},
                               {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7},
                               {9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 19, 0}};

TRgb ColourA(int x, int y) {
  switch (kRowsA[y][x]) {
    case 'R':
      return {255, 0, 0};
    case 'G':
      return {0, 255, 0};
    case 'B':
      return {0, 0, 255};
    case 'W':
      return {255, 255, 255};
    case 'Y':
      return {255, 255, 0};
    default:
      return {0, 0, 0};
  }
}

TRgb ColourB(int x, int y) {
  const int i = kRowsB[y][x];
  return {static_cast<uint8_t>(i * 12), static_cast<uint8_t>(255 - i * 12),
          static_cast<uint8_t>(i * 37 % 256)};
}

// The colour of pixel (x, y) from the top, whatever the depth.
TRgb ColourAt(const TIndexedImage& image, int x, int y) {
  const uint8_t* row = image.RowAddress(y);
  const auto entry = [&](int index) {
    const TRgbQuad& c = image.ColourTable().at(static_cast<size_t>(index));
    return TRgb{c.Red, c.Green, c.Blue};
  };
  switch (image.BitsPerPixel()) {
    case 1:
      return entry((row[x / 8] >> (7 - x % 8)) & 1);
    case 4:
      return entry((row[x / 2] >> (x % 2 ? 0 : 4)) & 15);
    case 8:
      return entry(row[x]);
    default:
      return TRgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
  }
}

TEST(BmpLoading, FilesOfImageMagickAndPillowLoadWithTheirPictures) {
  struct TCase {
    const char* Name;
    uint16_t Bits;
    std::function<TRgb(int, int)> Expected;
  };
  const auto bilevel = [](int x, int y) {
    return (x + y) % 3 == 0 ? TRgb{255, 255, 255} : TRgb{0, 0, 0};
  };
  std::vector<TCase> cases = {{"im_4bit_a.bmp", 4, ColourA},
                              {"im_rle8_a.bmp", 8, ColourA},
                              {"im_24bit_a.bmp", 24, ColourA},
                              {"pil_24bit_a.bmp", 24, ColourA},
                              {"pil_1bit.bmp", 1, bilevel}};
  for (const char* name :
       {"im_8bit_b.bmp", "im_rle8_b.bmp", "im_8bit_v5_b.bmp", "im_8bit_v5_none_b.bmp",
        "topdown_8bit_b.bmp", "pil_8bit_b.bmp", "short_table_8bit_b.bmp", "core_252_8bit_b.bmp"}) {
    cases.push_back({name, 8, ColourB});
  }
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TIndexedImage image =
        LoadBmpFromFile(NativeFs(), TestDataPath(std::string("bmp/") + c.Name));
    ASSERT_EQ(image.Width(), 13);
    ASSERT_EQ(image.Height(), 5);
    EXPECT_EQ(image.BitsPerPixel(), c.Bits);
    EXPECT_EQ(image.Is8Bit(), c.Bits == 8);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x)
        ASSERT_EQ(ColourAt(image, x, y), c.Expected(x, y)) << x << "," << y;
    }
  }
  // The two files that store pattern B's own indices give exactly them.
  for (const char* name :
       {"pil_8bit_b.bmp", "topdown_8bit_b.bmp", "short_table_8bit_b.bmp", "core_252_8bit_b.bmp"}) {
    const TIndexedImage image =
        LoadBmpFromFile(NativeFs(), TestDataPath(std::string("bmp/") + name));
    for (int y = 0; y < 5; ++y) {
      EXPECT_EQ(RowsOf(image)[y], std::vector<uint8_t>(kRowsB[y], kRowsB[y] + 13)) << name;
    }
  }
}

}  // namespace
