// PNG frames: indexed PNGs written, and every kind of PNG an editor saves
// read back against the palette (indices kept, colours matched exactly,
// own colour tables warned about or remapped, damaged files refused).
#include <gtest/gtest.h>
#include <spng.h>

#include <cstdlib>
#include <map>
#include <memory>

#include "format/Error.h"
#include "png/Png.h"
#include "tests/CorruptReplay.h"
#include "tests/TestSupport.h"
#include "tests/png/PngTestSupport.h"

using namespace icnkit;

namespace {

// What a decode gives: the image, or the message, and the warnings.
struct TDecoded {
  TIndexedImage Image;
  std::string Error;
  std::vector<std::string> Warnings;
};

TDecoded Decode(const std::vector<uint8_t>& png, bool remap = false,
                const std::vector<TRgbQuad>& palette = TestPalette()) {
  TDecoded result;
  TPngFrameReport report;
  result.Error =
      MessageOf([&] { DecodePngFrame(png, palette, remap, "f.png", result.Image, report); });
  if (result.Error == "(no exception)") result.Error.clear();
  result.Warnings = report.Warnings;
  return result;
}

std::vector<uint8_t> Indices(const TIndexedImage& image) {
  std::vector<uint8_t> indices;
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* row = image.RowAddress(y);
    indices.insert(indices.end(), row, row + image.Width());
  }
  return indices;
}

TEST(PngWrite, IndexedPngCarriesTheTableAndTheIndices) {
  TIndexedImage image;
  std::vector<TRgbQuad> table = TestPalette();
  table.resize(200);
  image.Create8Bit(5, 3, table);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 5; ++x) image.RowAddress(y)[x] = static_cast<uint8_t>(x * 40 + y);
  }
  for (const bool transparent : {false, true}) {
    SCOPED_TRACE(transparent);
    const TPngInfo info = InspectPng(EncodeIndexedPng(image, transparent));
    EXPECT_EQ(info.Width, 5u);
    EXPECT_EQ(info.Height, 3u);
    EXPECT_EQ(info.BitDepth, 8);
    EXPECT_EQ(info.ColourType, SPNG_COLOR_TYPE_INDEXED);
    EXPECT_EQ(info.Plte, table);
    EXPECT_EQ(info.Trns, transparent ? std::vector<uint8_t>{0} : std::vector<uint8_t>{});
    EXPECT_EQ(info.Pixels, Indices(image));
    // Read back: the same indices, the same table, nothing to warn about.
    const TDecoded back = Decode(EncodeIndexedPng(image, transparent), false, table);
    EXPECT_EQ(back.Error, "");
    EXPECT_EQ(back.Warnings, std::vector<std::string>{});
    EXPECT_EQ(Indices(back.Image), Indices(image));
    EXPECT_EQ(back.Image.ColourTable(), table);
  }
}

TEST(PngWrite, ShortTablesGrowToTheHighestIndexAndEmptyImagesGiveNoBytes) {
  TIndexedImage image;
  image.Create8Bit(2, 1, {{1, 2, 3, 0}});
  image.RowAddress(0)[1] = 4;
  EXPECT_EQ(InspectPng(EncodeIndexedPng(image, false)).Plte,
            (std::vector<TRgbQuad>{{1, 2, 3, 0}, {}, {}, {}, {}}));
  TIndexedImage empty;
  empty.Create8Bit(0, 0, TestPalette());
  EXPECT_EQ(EncodeIndexedPng(empty, true), std::vector<uint8_t>{});
}

TEST(PngRead, PalettePngsOfEveryDepthKeepTheirIndices) {
  for (const uint8_t depth : {1, 2, 4, 8}) {
    for (const bool interlaced : {false, true}) {
      SCOPED_TRACE(testing::Message() << int{depth} << " bits, interlaced " << interlaced);
      // 13 x 9: rows end inside a byte, and every Adam7 pass has pixels.
      TPngSpec spec{13, 9, depth, SPNG_COLOR_TYPE_INDEXED, interlaced};
      std::vector<uint8_t> expected;
      for (uint32_t y = 0; y < spec.Height; ++y) {
        for (uint32_t x = 0; x < spec.Width; ++x) {
          expected.push_back(static_cast<uint8_t>((x * 7 + y * 3) % (1u << depth)));
        }
      }
      spec.Plte = TestPalette();
      spec.Plte.resize(size_t{1} << depth);
      const TDecoded decoded = Decode(MakePng(spec, expected));
      EXPECT_EQ(decoded.Error, "");
      EXPECT_EQ(decoded.Warnings, std::vector<std::string>{});
      EXPECT_EQ(Indices(decoded.Image), expected);
      EXPECT_EQ(decoded.Image.ColourTable(), TestPalette());
      EXPECT_EQ(decoded.Image.BitsPerPixel(), 8);
    }
  }
}

TEST(PngRead, ColourPngsAreMatchedToThePaletteExactly) {
  // Pixels of palette entries 0, 5, 200 and 255, as grey (palette entries
  // that are grey), RGB, RGBA, 16-bit RGB and interlaced RGB.
  const std::vector<TRgbQuad> palette = TestPalette();
  const std::vector<uint8_t> indices = {5, 200, 255, 5, 0, 200};
  std::vector<TRgbQuad> colours;
  for (uint8_t i : indices) colours.push_back(palette[i]);
  for (const bool interlaced : {false, true}) {
    for (const uint8_t type : {SPNG_COLOR_TYPE_TRUECOLOR, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA}) {
      for (const uint8_t depth : {8, 16}) {
        SCOPED_TRACE(testing::Message() << int{type} << "/" << int{depth} << "/" << interlaced);
        const TDecoded decoded =
            Decode(MakePng({3, 2, depth, type, interlaced}, ColourSamples(colours, type, depth)));
        EXPECT_EQ(decoded.Error, "");
        EXPECT_EQ(Indices(decoded.Image), indices);
        EXPECT_EQ(decoded.Warnings, std::vector<std::string>{});
      }
    }
  }
  // Grey of 1, 2, 4, 8 and 16 bits: full scale is 255, widened exactly.
  std::vector<TRgbQuad> greys(256);
  for (int v = 0; v < 256; ++v) greys[255 - v] = {uint8_t(v), uint8_t(v), uint8_t(v), 0};
  const std::vector<uint8_t> greyOnes = {1, 0, 0, 1, 1, 0, 1, 0};  // 1-bit samples
  const TDecoded one =
      Decode(MakePng({8, 1, 1, SPNG_COLOR_TYPE_GRAYSCALE}, greyOnes), false, greys);
  EXPECT_EQ(one.Error, "");
  EXPECT_EQ(Indices(one.Image), (std::vector<uint8_t>{0, 255, 255, 0, 0, 255, 0, 255}));
  const TDecoded two =
      Decode(MakePng({4, 1, 2, SPNG_COLOR_TYPE_GRAYSCALE}, {0, 1, 2, 3}), false, greys);
  EXPECT_EQ(Indices(two.Image), (std::vector<uint8_t>{255, 170, 85, 0}));
  const TDecoded four =
      Decode(MakePng({2, 1, 4, SPNG_COLOR_TYPE_GRAYSCALE}, {1, 15}), false, greys);
  EXPECT_EQ(Indices(four.Image), (std::vector<uint8_t>{238, 0}));
  const TDecoded deep = Decode(MakePng({2, 1, 16, SPNG_COLOR_TYPE_GRAYSCALE_ALPHA},
                                       {0x30, 0x30, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}),
                               false, greys);
  EXPECT_EQ(deep.Error, "");
  EXPECT_EQ(Indices(deep.Image), (std::vector<uint8_t>{0, 0}));  // alpha 0, then white
}

TEST(PngRead, AColourOutsideThePaletteIsRefusedAtItsFirstPixel) {
  std::vector<TRgbQuad> colours(6, TestPalette()[7]);
  colours[4] = {0x01, 0x00, 0xFF, 0};  // (1, 1): #FF0001
  colours[5] = {0x02, 0x00, 0xFF, 0};
  for (const bool interlaced : {false, true}) {
    SCOPED_TRACE(interlaced);
    const TDecoded rgb = Decode(MakePng({3, 2, 8, SPNG_COLOR_TYPE_TRUECOLOR, interlaced},
                                        ColourSamples(colours, SPNG_COLOR_TYPE_TRUECOLOR, 8)));
    EXPECT_EQ(rgb.Error,
              "PNG \"f.png\": pixel (1, 1) has colour #FF0001, which is not in the palette");
    EXPECT_EQ(rgb.Image.Width(), 0);  // the image is left as it was
  }
  // Half transparent and 16 bits that are not 8-bit values widened.
  std::vector<uint8_t> rgba = ColourSamples({TestPalette()[3]}, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8);
  rgba[3] = 128;
  EXPECT_EQ(Decode(MakePng({1, 1, 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA}, rgba)).Error,
            "PNG \"f.png\": pixel (0, 0) has colour #" + HexOf(TestPalette()[3]) +
                " with alpha 128, which is not in the palette");
  EXPECT_EQ(Decode(MakePng({1, 1, 16, SPNG_COLOR_TYPE_TRUECOLOR}, {0, 1, 0, 0, 0, 0})).Error,
            "PNG \"f.png\": pixel (0, 0) has colour #000100000000, which is not in the palette");
}

TEST(PngRead, TransparencyMakesIndexZero) {
  // RGB with a tRNS colour key: the keyed colour (not in the palette) is
  // transparent, so index 0.
  TPngSpec spec{2, 1, 8, SPNG_COLOR_TYPE_TRUECOLOR};
  spec.TrnsKey = {{0x12, 0x34, 0x56}};
  const std::vector<TRgbQuad> colours = {{0x56, 0x34, 0x12, 0}, TestPalette()[9]};
  const TDecoded decoded = Decode(MakePng(spec, ColourSamples(colours, spec.ColourType, 8)));
  EXPECT_EQ(decoded.Error, "");
  EXPECT_EQ(Indices(decoded.Image), (std::vector<uint8_t>{0, 9}));
  // A palette PNG whose index 0 is transparent with another colour: index
  // 0 stays 0, no warning.
  TPngSpec indexed{2, 1, 8, SPNG_COLOR_TYPE_INDEXED};
  indexed.Plte = TestPalette();
  indexed.Plte[0] = {0xFF, 0x00, 0xFF, 0};
  indexed.Trns = {0};
  const TDecoded kept = Decode(MakePng(indexed, {0, 3}));
  EXPECT_EQ(kept.Warnings, std::vector<std::string>{});
  EXPECT_EQ(Indices(Decode(MakePng(indexed, {0, 3}), true).Image), (std::vector<uint8_t>{0, 3}));
}

// An editor's own colour table: entries 1 and 2 swapped, entry 9 changed
// but unused. Pixels: 1, 2, 2, 3, 1, 4.
TPngSpec OwnTable() {
  TPngSpec spec{3, 2, 8, SPNG_COLOR_TYPE_INDEXED};
  spec.Plte = TestPalette();
  std::swap(spec.Plte[1], spec.Plte[2]);
  spec.Plte[9] = {1, 1, 1, 0};
  return spec;
}
const std::vector<uint8_t> kOwnTablePixels = {1, 2, 2, 3, 1, 4};

TEST(PngRead, AnOwnColourTableIsWarnedAboutOrRemapped) {
  const std::vector<uint8_t> png = MakePng(OwnTable(), kOwnTablePixels);
  const TDecoded kept = Decode(png);
  EXPECT_EQ(kept.Error, "");
  EXPECT_EQ(Indices(kept.Image), kOwnTablePixels);
  EXPECT_EQ(kept.Warnings, std::vector<std::string>{
                               "PNG \"f.png\" has its own colour table: 4 pixels change colour "
                               "(--remap keeps their colours)"});
  const TDecoded remapped = Decode(png, true);
  EXPECT_EQ(remapped.Error, "");
  EXPECT_EQ(remapped.Warnings, std::vector<std::string>{});
  EXPECT_EQ(Indices(remapped.Image), (std::vector<uint8_t>{2, 1, 1, 3, 2, 4}));
}

TEST(PngRead, RemapRefusesAColourThePaletteLacks) {
  TPngSpec spec = OwnTable();
  spec.Plte[4] = {0x10, 0x20, 0xFE, 0};
  const std::vector<uint8_t> png = MakePng(spec, kOwnTablePixels);
  EXPECT_EQ(Decode(png, true).Error,
            "PNG \"f.png\": pixel (2, 1) has colour #FE2010, which is not in the palette");
  // Without --remap the index is kept and counted.
  EXPECT_EQ(Decode(png).Warnings.size(), 1u);
  EXPECT_NE(Decode(png).Warnings[0].find(": 5 pixels change colour"), std::string::npos);
}

TEST(PngRead, IndicesPastTheFilesTableAreRefused) {
  TPngSpec spec{2, 1, 8, SPNG_COLOR_TYPE_INDEXED};
  spec.Plte = {TestPalette()[0], TestPalette()[1]};
  const TDecoded decoded = Decode(MakePng(spec, {1, 2}));
  EXPECT_EQ(decoded.Error,
            "PNG \"f.png\": pixel (1, 0) has index 2, past the end of its colour table");
}

TEST(PngRead, DamagedFilesGiveClearErrors) {
  TIndexedImage image;
  image.Create8Bit(4, 4, TestPalette());
  const std::vector<uint8_t> good = EncodeIndexedPng(image, false);
  ASSERT_EQ(Decode(good).Error, "");
  const auto message = [](const std::string& why) { return "Cannot read PNG \"f.png\": " + why; };
  EXPECT_EQ(Decode(std::vector<uint8_t>(good.begin(), good.begin() + 20)).Error,
            message("the file ends too early"));
  std::vector<uint8_t> notPng = good;
  notPng[1] = 'Q';
  EXPECT_EQ(Decode(notPng).Error, message(spng_strerror(SPNG_ESIGNATURE)));
  // Cut inside the image data, and each chunk's checksum broken.
  const size_t idat = FindChunk(good, "IDAT");
  EXPECT_EQ(Decode(std::vector<uint8_t>(good.begin(), good.begin() + idat + 10)).Error,
            message("the file ends too early"));
  std::vector<uint8_t> badHeaderCrc = good;
  badHeaderCrc[FindChunk(good, "IHDR") + 8 + 13] ^= 1;
  EXPECT_EQ(Decode(badHeaderCrc).Error, message("a chunk's checksum is wrong"));
  std::vector<uint8_t> badDataCrc = good;
  badDataCrc[idat + 8 + GetBe32(&good[idat])] ^= 1;
  EXPECT_EQ(Decode(badDataCrc).Error, message("a chunk's checksum is wrong"));
}

TEST(PngRead, SizesAreBoundedBeforeAnythingIsAllocated) {
  // Headers alone, claiming huge images: refused without their rows.
  TIndexedImage image;
  image.Create8Bit(1, 1, TestPalette());
  std::vector<uint8_t> png = EncodeIndexedPng(image, false);
  SetHeaderSize(png, 70000, 70000);
  EXPECT_EQ(Decode(png).Error, "Bitmap too large: 70000 x 70000");
  SetHeaderSize(png, (1u << 24) + 1, 1);
  EXPECT_EQ(Decode(png).Error,
            "Cannot read PNG \"f.png\": " + std::string(spng_strerror(SPNG_EUSER_WIDTH)));
}

TEST(PngRead, DamagedFilesOfTheCorruptFolderEndInTheirMessages) {
  const std::map<std::string, std::string> expected = {
      // 129 bytes claiming 100000 x 100000 pixels: refused before the
      // image is allocated.
      {"png_header_bomb.png", "Bitmap too large: 100000 x 100000"},
      // Ends inside its image data.
      {"png_truncated_idat.png", "Cannot read PNG \"f.png\": the file ends too early"},
      // No bytes: the empty frame icnkit writes for a frame without pixels,
      // read back as such (pack refused it once).
      {"png_empty_frame.png", ""},
  };
  ReplayCorruptFiles("png_", expected, [&](const std::string& name, const std::string& outcome) {
    EXPECT_EQ(Decode(ReadBytes(TestDataPath("corrupt/" + name))).Error, outcome);
  });
}

}  // namespace
