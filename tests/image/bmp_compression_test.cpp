// Bitmap loading: compressed pixels the loader does not decode, and where
// the colour table ends and the pixel data begins.
#include <gtest/gtest.h>

#include <memory>

#include "fs/Files.h"
#include "image/BmpFile.h"
#include "testdata/BmpBuilder.h"
#include "tests/image/BmpTestSupport.h"

using namespace icnkit;

namespace {

using namespace testdata;

using TRows = std::vector<std::vector<uint8_t>>;

const TRows kPicture = {{1, 2, 3}, {4, 5, 6}};

// An 8-bit file of kPicture whose colours-used field is 0 (2^8 entries by
// default) with only `entries` stored and the pixel data right after them.
TBmpSpec ShortTable(int entries) {
  TBmpSpec spec;
  spec.Width = 3;
  spec.Height = 2;
  spec.ColoursUsed = 0;
  spec.ColourTable = DistinctColours(entries);
  spec.PixelData = BottomUpData(kPicture);
  return spec;
}

// The same picture as a file with the 12-byte core header and `entries`
// three-byte colour entries, the pixel data at `offset` (0: right after the
// table).
std::vector<uint8_t> CoreFile(int entries, uint32_t offset = 0) {
  std::vector<uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               0,   12,  0, 0, 0, 3, 0, 2, 0, 1, 0, 8, 0};
  for (int i = 0; i < entries; ++i) {
    file.insert(file.end(), {static_cast<uint8_t>(i), 7, static_cast<uint8_t>(255 - i)});
  }
  const uint32_t at = offset != 0 ? offset : static_cast<uint32_t>(file.size());
  for (int i = 0; i < 4; ++i) file[10 + i] = static_cast<uint8_t>(at >> (8 * i));
  const std::vector<uint8_t> pixels = BottomUpData(kPicture);
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

TEST(BmpPixelOffset, AShortColourTableEndsWhereThePixelsBegin) {
  // Bottom-up, top-down and RLE8: the same picture and a table of the 20
  // stored entries.
  const TBmpSpec plain = ShortTable(20);
  TBmpSpec topDown = plain;
  topDown.Height = -2;
  topDown.PixelData = BottomUpData({kPicture[1], kPicture[0]});
  TBmpSpec rle = plain;
  rle.Compression = kBiRle8;
  rle.PixelData = {3, 4, 0, 0, 1, 1, 1, 2, 1, 3, 0, 1};  // 4 4 4 / 1 2 3
  const std::vector<TBmpSpec> specs = {plain, topDown, rle};
  for (size_t i = 0; i < specs.size(); ++i) {
    SCOPED_TRACE(i);
    const auto image = LoadBmpBytes(MakeBmp(specs[i]));
    EXPECT_EQ(RowsOf(*image), i == 2 ? (TRows{{1, 2, 3}, {4, 4, 4}}) : kPicture);
    EXPECT_EQ(image->ColourTable(), DistinctColours(20));
    EXPECT_TRUE(image->Is8Bit());
  }
  // No table at all: the pixels follow the headers.
  EXPECT_EQ(RowsOf(*LoadBmpBytes(MakeBmp(ShortTable(0)))), kPicture);
  EXPECT_TRUE(LoadBmpBytes(MakeBmp(ShortTable(0)))->ColourTable().empty());
  // A gap after the stored entries is skipped, and stays out of the table.
  TBmpSpec gap = ShortTable(2);
  gap.PixelOffset = 54 + 8 + 6;
  const auto gapped = LoadBmpBytes(MakeBmp(gap));
  EXPECT_EQ(RowsOf(*gapped), kPicture);
  EXPECT_EQ(gapped->ColourTable().size(), 3u);  // the gap's first 4 bytes
  // A table the colours-used field declares longer than what is stored.
  TBmpSpec declared = ShortTable(5);
  declared.ColoursUsed = 16;
  EXPECT_EQ(RowsOf(*LoadBmpBytes(MakeBmp(declared))), kPicture);

  // The core header with 252 three-byte entries, and with none.
  const auto core = LoadBmpBytes(CoreFile(252));
  EXPECT_EQ(RowsOf(*core), kPicture);
  ASSERT_EQ(core->ColourTable().size(), 252u);
  EXPECT_EQ(core->ColourTable()[251], (TRgbQuad{251, 7, 4, 0}));
  EXPECT_EQ(RowsOf(*LoadBmpBytes(CoreFile(0))), kPicture);
  // Part of an entry before the pixels is no entry.
  EXPECT_EQ(LoadBmpBytes(CoreFile(5, 26 + 14))->ColourTable().size(), 4u);
}

TEST(BmpPixelOffset, PixelsInsideTheHeadersAreNotValid) {
  const char* invalid = "Bitmap image is not valid";
  const auto at = [](TBmpSpec spec, uint32_t offset) {
    spec.PixelOffset = offset;
    return MakeBmp(spec);
  };
  const TBmpSpec plain = ShortTable(4);
  TBmpSpec topDown = plain;
  topDown.Height = -2;
  TBmpSpec rle = plain;
  rle.Compression = kBiRle8;
  rle.PixelData = {0, 1};
  TBmpSpec longHeader = plain;  // a 124-byte info header
  longHeader.InfoSize = 124;
  TBmpSpec masks;  // 16 bits, masks after a 40-byte header (54..65)
  masks.Width = 2;
  masks.Height = 1;
  masks.BitsPerPixel = 16;
  masks.Compression = kBiBitFields;
  masks.Masks = {0xF800, 0x7E0, 0x1F};
  masks.PixelData = {1, 2, 3, 4};
  TBmpSpec masksTopDown = masks;
  masksTopDown.Height = -1;

  for (uint32_t offset : {0u, 13u, 40u, 53u}) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(LoadBmpMessage(at(plain, offset)), invalid);
    EXPECT_EQ(LoadBmpMessage(at(topDown, offset)), invalid);
    EXPECT_EQ(LoadBmpMessage(at(rle, offset)), invalid);
  }
  TBmpSpec longTopDown = longHeader;
  longTopDown.Height = -2;
  TBmpSpec longRle = longHeader;
  longRle.Compression = kBiRle8;
  longRle.PixelData = {0, 1};
  for (const TBmpSpec& spec : {longHeader, longTopDown, longRle}) {
    EXPECT_EQ(LoadBmpMessage(at(spec, 54)), invalid);
    EXPECT_EQ(LoadBmpMessage(at(spec, 137)), invalid);
    EXPECT_NE(LoadBmpMessage(at(spec, 138)), invalid);  // at the headers' end
  }
  for (const TBmpSpec& spec : {masks, masksTopDown}) {
    EXPECT_EQ(LoadBmpMessage(at(spec, 54)), invalid);
    EXPECT_EQ(LoadBmpMessage(at(spec, 65)), invalid);
    EXPECT_EQ(RowsOf(*LoadBmpBytes(at(spec, 66))), (TRows{{1, 2}}));  // bytes, not pixels
  }
  EXPECT_EQ(LoadBmpMessage(CoreFile(4, 25)), invalid);
  EXPECT_TRUE(LoadBmpBytes(CoreFile(4, 26))->ColourTable().empty());

  // Inside a long header, even when the bytes there would pass for rows,
  // and before the size of the rows is looked at.
  TBmpSpec tall = longTopDown;
  tall.Height = -70000;
  tall.Width = 70000;
  for (const TBmpSpec& spec : {longTopDown, longRle, tall}) {
    EXPECT_EQ(LoadBmpMessage(at(spec, 100)), invalid);
  }
}

// --- Compressed pixels the loader does not decode -------------------------

TEST(BmpCompression, UndecodedPixelsLoadWithoutRowsAndKeepTheirCode) {
  struct TCase {
    uint16_t Bits;
    uint32_t Compression;
    uint32_t InfoSize;
  };
  const TCase cases[] = {
      {4, kBiRle4, 40}, {4, kBiRle8, 40}, {24, kBiRle8, 40}, {0, 4, 40},  {0, 5, 124},
      {32, 6, 56},      {32, 11, 40},     {8, 100, 40},      {24, 4, 64},  // OS/2 RLE24
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Compression);
    TBmpSpec spec;
    spec.Width = 4;
    spec.Height = 2;
    spec.BitsPerPixel = c.Bits;
    spec.Compression = c.Compression;
    spec.InfoSize = c.InfoSize;
    if (c.Bits <= 8 && c.Bits > 0) spec.ColourTable = DistinctColours(1 << c.Bits);
    spec.PixelData = {0xFF, 0xD8, 0x89, 'P', 'N', 'G', 0, 1};
    const auto image = LoadBmpBytes(MakeBmp(spec));
    EXPECT_TRUE(image->DeviceDependent());
    EXPECT_EQ(image->Compression(), c.Compression);
    EXPECT_EQ(image->Width(), 4);
    EXPECT_FALSE(image->HasPixels());
  }
  // The 4-bit RLE4 file (tests/data/bmp/README.md) loads the same way.
  const TIndexedImage real = LoadBmpFromFile(NativeFs(), TestDataPath("bmp/rle4_a.bmp"));
  EXPECT_EQ(real.Compression(), kBiRle4);
  EXPECT_EQ(real.BitsPerPixel(), 4);
  EXPECT_EQ(real.ColourTable().size(), 16u);
  EXPECT_FALSE(real.HasPixels());
  // An empty stream has no compression code.
  EXPECT_EQ(LoadBmpBytes({})->Compression(), kBiRgb);
  // Bit fields are for 16 and 32 bits only.
  TBmpSpec fields8 = ShortTable(4);
  fields8.Compression = kBiBitFields;
  EXPECT_EQ(LoadBmpMessage(MakeBmp(fields8)), "Bitmap image is not valid");
}

}  // namespace
