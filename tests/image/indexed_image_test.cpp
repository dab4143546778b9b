#include <gtest/gtest.h>

#include <functional>

#include "image/BmpFile.h"
#include "image/BmpHeader.h"
#include "image/IndexedImage.h"
#include "testdata/BmpBuilder.h"
#include "tests/image/BmpTestSupport.h"

using namespace icnkit;

namespace {

using namespace testdata;

// A 256-colour palette bitmap whose entry 7 is the fill colour (red 0, green
// 255, blue 255), 2 x 2 pixels.
std::vector<uint8_t> PaletteBitmap() {
  TBmpSpec spec;
  spec.Width = 2;
  spec.Height = 2;
  spec.ColourTable = DistinctColours(256);
  spec.ColourTable[7] = TRgbQuad{255, 255, 0, 0};
  spec.PixelData = BottomUpData({{1, 2}, {3, 4}});
  return MakeBmp(spec);
}

TEST(IndexedImage, PaletteBitmapReshapedFilledAndSavedIsTheExactFile) {
  TTempFolder folder;
  WriteBytes(folder / "palette.bmp", PaletteBitmap());
  TIndexedImage image = LoadBmpFromFile(NativeFs(), folder / "palette.bmp");
  image.Reshape(3, 2);
  image.Fill(0xFFFF00);
  image.SaveBmpFile(NativeFs(), folder / "0000.bmp");

  const std::vector<uint8_t> file = ReadBytes(folder / "0000.bmp");
  ASSERT_EQ(file.size(), 1086u);
  const uint8_t* p = file.data();
  EXPECT_EQ(p[0], 'B');
  EXPECT_EQ(p[1], 'M');
  EXPECT_EQ(GetU32(p + 2), 1086u);
  EXPECT_EQ(GetU32(p + 6), 0u);  // both reserved words
  EXPECT_EQ(GetU32(p + 10), 1078u);
  EXPECT_EQ(GetU32(p + 14), 40u);
  EXPECT_EQ(GetU32(p + 18), 3u);
  EXPECT_EQ(GetU32(p + 22), 2u);
  EXPECT_EQ(GetU16(p + 26), 1);
  EXPECT_EQ(GetU16(p + 28), 8);
  EXPECT_EQ(GetU32(p + 30), 0u);
  EXPECT_EQ(GetU32(p + 34), 8u);  // two rows of stride 4
  EXPECT_EQ(GetU32(p + 38), 0u);  // resolutions
  EXPECT_EQ(GetU32(p + 42), 0u);
  EXPECT_EQ(GetU32(p + 46), 256u);
  EXPECT_EQ(GetU32(p + 50), 0u);  // important colours
  const std::vector<uint8_t> palette = PaletteBitmap();
  EXPECT_TRUE(std::equal(file.begin() + 54, file.begin() + 1078, palette.begin() + 54));
  const std::vector<uint8_t> rows(file.begin() + 1078, file.end());
  EXPECT_EQ(rows, (std::vector<uint8_t>{7, 7, 7, 0, 7, 7, 7, 0}));

  // An image without pixels gives a 0-byte file, and a 0-byte file loads as
  // an empty, device-dependent image.
  for (const auto& [w, h] : {std::pair{0, 5}, std::pair{5, 0}}) {
    WriteBytes(folder / "old.bmp", file);
    image.Reshape(w, h);
    image.SaveBmpFile(NativeFs(), folder / "old.bmp");
    EXPECT_TRUE(ReadBytes(folder / "old.bmp").empty());
    EXPECT_EQ(image.ColourTable().size(), 256u);  // kept through every reshape
  }
  image = LoadBmpFromFile(NativeFs(), folder / "old.bmp");
  EXPECT_FALSE(image.HasPixels());
  EXPECT_TRUE(image.ColourTable().empty());
  EXPECT_TRUE(image.DeviceDependent());
}

TEST(IndexedImage, RowAddressesStepUpwardsThroughBottomUpStorage) {
  TIndexedImage image;
  image.Create8Bit(5, 3, DistinctColours(4));
  EXPECT_EQ(image.Stride(), 8);
  EXPECT_EQ(image.RowAddress(0) - image.RowAddress(1), image.Stride());
  EXPECT_EQ(image.RowAddress(2) + 2 * image.Stride(), image.RowAddress(0));
  for (int32_t r : {-1, 3}) {
    EXPECT_EQ(MessageOf([&] { image.RowAddress(r); }), "Scan line index out of range");
  }
  // Reshape gives pad bytes 0 and keeps 8 bits per pixel.
  image.Reshape(1, 2);
  EXPECT_EQ(image.Stride(), 4);
  image.Fill(0x02FD01);  // entry 2
  EXPECT_EQ(std::vector<uint8_t>(image.RowAddress(1), image.RowAddress(1) + 4),
            (std::vector<uint8_t>{2, 0, 0, 0}));
  EXPECT_EQ(image.BitsPerPixel(), 8);
}

TEST(IndexedImage, FillChoosesTheExactOrNearestEntryLowestIndexFirst) {
  std::vector<TRgbQuad> table = DistinctColours(16);
  table[7] = TRgbQuad{255, 255, 0, 0};  // blue, green, red: 0xFFFF00
  table[9] = table[7];                  // a later duplicate loses
  table[3] = TRgbQuad{250, 255, 0, 0};  // close but not equal
  TIndexedImage image;
  image.Create8Bit(3, 2, table);
  image.Fill(0xFFFF00);
  EXPECT_EQ(RowsOf(image), (std::vector<std::vector<uint8_t>>{{7, 7, 7}, {7, 7, 7}}));
  EXPECT_EQ(image.NearestColourIndex(0xFAFF00), 3);  // exact again

  // No exact entry: the least squared distance, lowest index on a tie.
  image.ColourTable() = {TRgbQuad{0, 0, 0, 0}, TRgbQuad{0, 0, 10, 0}, TRgbQuad{0, 0, 20, 0},
                         TRgbQuad{0, 10, 0, 0}};
  EXPECT_EQ(image.NearestColourIndex(0x000006), 1);  // red 6: 1 is nearer than 0
  EXPECT_EQ(image.NearestColourIndex(0x000005), 0);  // red 5: tie between 0 and 1
  EXPECT_EQ(image.NearestColourIndex(0x000F00), 3);  // green 15
  image.ColourTable().clear();
  EXPECT_EQ(image.NearestColourIndex(0x123456), 0);
}

TEST(IndexedImage, LoadRejectsTruncatedPixelsAndBadHeaders) {
  TBmpSpec spec;
  spec.Width = 3;
  spec.Height = 3;
  spec.ColourTable = DistinctColours(4);
  spec.PixelData = BottomUpData({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
  std::vector<uint8_t> bytes = MakeBmp(spec);

  // Ending inside the pixel data: refused before anything is allocated.
  std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 6);
  EXPECT_EQ(LoadBmpMessage(cut), "Stream read error");

  std::vector<uint8_t> bad = bytes;
  bad[26] = 2;  // planes
  EXPECT_EQ(LoadBmpMessage(bad), "Bitmap image is not valid");
  bad = bytes;
  bad[1] = 'A';
  EXPECT_EQ(LoadBmpMessage(bad), "Bitmap image is not valid");
  EXPECT_EQ(LoadBmpMessage(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 13)),
            "Stream read error");

  // A failed load leaves the image as it was.
  const auto image = LoadBmpBytes(bytes);
  EXPECT_THROW(image->LoadBmp(bad), TZtError);
  EXPECT_EQ(image->Width(), 3);
  EXPECT_EQ(image->RowAddress(0)[0], 1);
}

// Hostile header values end in a message, never in a crash or a huge
// allocation made before the shortness of the data is noticed.
TEST(IndexedImage, AbsurdHeaderValuesAreRejected) {
  const auto with = [](const std::function<void(TBmpSpec&)>& change) {
    TBmpSpec spec;
    spec.Width = 2;
    spec.Height = 2;
    spec.ColourTable = DistinctColours(2);
    spec.PixelData = BottomUpData({{1, 0}, {0, 1}});
    change(spec);
    return MakeBmp(spec);
  };
  const char* invalid = "Bitmap image is not valid";
  EXPECT_EQ(LoadBmpMessage(with([](TBmpSpec& s) { s.Width = -2; })), invalid);
  EXPECT_EQ(LoadBmpMessage(with([](TBmpSpec& s) { s.Height = INT32_MIN; })), invalid);
  EXPECT_EQ(LoadBmpMessage(with([](TBmpSpec& s) { s.ColoursUsed = 257; })), invalid);
  EXPECT_EQ(LoadBmpMessage(with([](TBmpSpec& s) { s.ColoursUsed = 0xFFFFFFFF; })), invalid);
  EXPECT_EQ(LoadBmpMessage(with([](TBmpSpec& s) { s.BitsPerPixel = 7; })), invalid);
  EXPECT_EQ(LoadBmpMessage(with([](TBmpSpec& s) { s.InfoSize = 8; })), invalid);
  std::vector<uint8_t> farOffset = with([](TBmpSpec&) {});
  farOffset[13] = 0x7F;  // pixel data at 0x7F000036
  EXPECT_EQ(LoadBmpMessage(farOffset), invalid);
  std::vector<uint8_t> hugeInfo = with([](TBmpSpec&) {});
  hugeInfo[17] = 0xFF;  // info-header size 0xFF000028
  EXPECT_EQ(LoadBmpMessage(hugeInfo), "Stream read error");
  // 8 colours used but only 2 stored before the pixel-data offset: the
  // table ends there and the pixels are read from it.
  const auto shortTable = LoadBmpBytes(with([](TBmpSpec& s) { s.ColoursUsed = 8; }));
  EXPECT_EQ(shortTable->ColourTable(), DistinctColours(2));
  EXPECT_EQ(RowsOf(*shortTable), (std::vector<std::vector<uint8_t>>{{1, 0}, {0, 1}}));
  // Beyond the 32-bit file size: refused before anything is allocated.
  EXPECT_EQ(LoadBmpMessage(with([](TBmpSpec& s) { s.Width = 70000, s.Height = 70000; })),
            "Bitmap too large: 70000 x 70000");
  EXPECT_EQ(LoadBmpMessage(with([](TBmpSpec& s) { s.Width = INT32_MAX, s.BitsPerPixel = 32; })),
            "Bitmap too large: 2147483647 x 2");

  // A large picture declared in a tiny file is not: its rows are missing.
  EXPECT_EQ(LoadBmpMessage(with([](TBmpSpec& s) { s.Width = 16384, s.Height = 16384; })),
            "Stream read error");

  TIndexedImage image;
  EXPECT_EQ(MessageOf([&] { image.Reshape(65536, 65536); }), "Bitmap too large: 65536 x 65536");
  EXPECT_EQ(MessageOf([&] { image.Reshape(-1, 2); }), invalid);
}

}  // namespace
