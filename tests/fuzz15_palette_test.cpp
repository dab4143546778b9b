// Palette files the fuzzing of the palette readers found misread
// (tests/data/corrupt/palette_*), and the round trip they broke.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "format/Error.h"
#include "palette/PaletteFile.h"
#include "tests/CorruptReplay.h"
#include "tests/TestSupport.h"

namespace {

// Colours as "RRGGBB" words, to compare whole tables.
std::string Hex(const std::vector<TRgbQuad>& colours) {
  std::string text;
  for (const TRgbQuad& c : colours) {
    text += ZtFormat("%02X%02X%02X%s ", c.Red, c.Green, c.Blue, c.Reserved ? "!" : "");
  }
  return text;
}

std::string ReadOutcome(const std::vector<uint8_t>& bytes, const std::string& name) {
  try {
    return Hex(ReadPaletteFile(bytes, name, false));
  } catch (const TZtError& error) {
    return error.what();
  }
}

// 256 colours of red, green, blue bytes, the file's order.
std::string Triplets(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (size_t i = 0; i < 256; ++i) {
    text += ZtFormat("%02X%02X%02X ", bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
  }
  return text;
}

TEST(Fuzz15Palette, TablesWhoseFirstColoursSpellASignatureAreReadByTheirName) {
  // An Adobe table of two colours whose first, red 66 green 77, spells the
  // "BM" of a bitmap, and a raw table beginning with the eight bytes of a
  // PNG signature: both were read as damaged files of the other format.
  const std::map<std::string, std::string> expected = {
      {"palette_bm_first_colour.act", "424D01 030405 "},
      {"palette_png_signature.raw", ""},  // its 256 triplets
  };
  ReplayCorruptFiles("palette_", expected, [&](const std::string& name, const std::string& outcome) {
    const std::vector<uint8_t> bytes = ReadBytes(TestDataPath("corrupt/" + name));
    EXPECT_EQ(ReadOutcome(bytes, name), outcome.empty() ? Triplets(bytes) : outcome);
  });
}

TEST(Fuzz15Palette, EveryWrittenFormatReadsBackAPaletteStartingWithBM) {
  const std::vector<TRgbQuad> colours = {{1, 77, 66, 0}, {5, 4, 3, 0}};
  const std::string two = "424D01 030405 ";
  std::string raw = two;
  for (int i = 2; i < 256; ++i) raw += "000000 ";
  EXPECT_EQ(ReadOutcome(WritePaletteFile(colours, TPaletteFormat::Act), "p.act"), two);
  EXPECT_EQ(ReadOutcome(WritePaletteFile(colours, TPaletteFormat::Raw), "p.raw"), raw);
  EXPECT_EQ(ReadOutcome(WritePaletteFile(colours, TPaletteFormat::Raw), "P.VGA"), raw);
  // Full tables are 768 bytes under either name.
  std::vector<TRgbQuad> full(256, TRgbQuad{0, 0, 0, 0});
  full[0] = colours[0];
  full[1] = colours[1];
  EXPECT_EQ(ReadOutcome(WritePaletteFile(full, TPaletteFormat::Act), "p.act"), raw);
  for (const TPaletteFormat format :
       {TPaletteFormat::Bmp, TPaletteFormat::Png, TPaletteFormat::JascPal, TPaletteFormat::Gpl}) {
    EXPECT_EQ(ReadOutcome(WritePaletteFile(colours, format), "p.act"), two);
  }
  // Under a name that tells no format, or one of another size, the
  // content still decides: the bitmap signature and its damage.
  const std::vector<uint8_t> act = WritePaletteFile(colours, TPaletteFormat::Act);
  EXPECT_EQ(ReadOutcome(act, "p.dat"), "Palette \"p.dat\" is damaged: Bitmap image is not valid");
  const std::vector<uint8_t> cut(act.begin(), act.end() - 1);
  EXPECT_EQ(ReadOutcome(cut, "p.act"), "Palette \"p.act\" is damaged: Bitmap image is not valid");
}

}  // namespace
