// Palette files: each format written and read back, the exact bytes of the
// text formats, 6-bit VGA values, the errors of unknown or damaged files,
// and the files once misread (tests/data/corrupt/palette_*).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "format/Error.h"
#include "image/IndexedImage.h"
#include "palette/PaletteFile.h"
#include "tests/CorruptReplay.h"
#include "tests/TestSupport.h"
#include "tests/png/PngTestSupport.h"

using namespace icnkit;

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::string ReadError(const std::vector<uint8_t>& bytes, const std::string& name,
                      bool force6bit = false) {
  return MessageOf([&] { ReadPaletteFile(bytes, name, force6bit); });
}

const TPaletteFormat kFormats[] = {TPaletteFormat::Bmp,     TPaletteFormat::Png,
                                   TPaletteFormat::JascPal, TPaletteFormat::Gpl,
                                   TPaletteFormat::Act,     TPaletteFormat::Raw};
const char* const kNames[] = {"p.bmp", "p.png", "p.pal", "p.gpl", "p.act", "p.raw"};

TEST(PaletteFile, EveryFormatReadsBackWhatItWrote) {
  std::vector<TRgbQuad> sixteen = TestPalette();
  sixteen.resize(16);
  for (size_t f = 0; f < std::size(kFormats); ++f) {
    SCOPED_TRACE(kNames[f]);
    EXPECT_EQ(PaletteFileFormatOfName(kNames[f]), kFormats[f]);
    const std::vector<uint8_t> full = WritePaletteFile(TestPalette(), kFormats[f]);
    EXPECT_EQ(ReadPaletteFile(full, kNames[f], false), TestPalette());
    // Shorter tables keep their length, but in raw bytes, which have none.
    std::vector<TRgbQuad> expected = sixteen;
    if (kFormats[f] == TPaletteFormat::Raw) expected.resize(256);
    EXPECT_EQ(ReadPaletteFile(WritePaletteFile(sixteen, kFormats[f]), kNames[f], false), expected);
    // Content tells the format whatever the name says, where it can.
    if (f < 4) {
      EXPECT_EQ(ReadPaletteFile(full, "palette.dat", false), TestPalette());
    }
  }
}

TEST(PaletteFile, TextAndBinaryLayouts) {
  const std::vector<TRgbQuad> two = {{3, 2, 1, 0}, {0, 128, 255, 0}};
  EXPECT_EQ(WritePaletteFile(two, TPaletteFormat::JascPal),
            Bytes("JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n255 128 0\r\n"));
  EXPECT_EQ(WritePaletteFile(two, TPaletteFormat::Gpl),
            Bytes("GIMP Palette\nName: icnkit\nColumns: 16\n#\n  1   2   3\tIndex 0\n255 128   "
                  "0\tIndex 1\n"));
  std::vector<uint8_t> act = WritePaletteFile(two, TPaletteFormat::Act);
  ASSERT_EQ(act.size(), 772u);
  EXPECT_EQ(std::vector<uint8_t>(act.begin(), act.begin() + 7),
            (std::vector<uint8_t>{1, 2, 3, 255, 128, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(act.end() - 4, act.end()),
            (std::vector<uint8_t>{0, 2, 0xFF, 0xFF}));
  EXPECT_EQ(WritePaletteFile(TestPalette(), TPaletteFormat::Act).size(), 768u);
  // A BMP's colour table, read through the image library's parser.
  TIndexedImage image;
  image.LoadBmp(ReadBytes(TestDataPath("bmp/im_8bit_b.bmp")));
  EXPECT_EQ(ReadPaletteFile(ReadBytes(TestDataPath("bmp/im_8bit_b.bmp")), "x.bmp", false),
            image.ColourTable());
  // Text written by hand: LF or CRLF ends, GIMP comments, names and
  // columns, blanks around the numbers.
  EXPECT_EQ(ReadPaletteFile(Bytes("JASC-PAL\n0100\n2\n1 2 3 \n 255  128 0\n\n"), "a.pal", false),
            two);
  EXPECT_EQ(ReadPaletteFile(Bytes("GIMP Palette\r\nName: x\r\nColumns: 4\r\n# c\r\n\r\n1 2 3\r\n"
                                  "  255\t128 0 Orange name\r\n"),
                            "a.gpl", false),
            two);
}

TEST(PaletteFile, SixBitRawValuesAreRecognisedOrForced) {
  std::vector<uint8_t> raw(768);
  for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<uint8_t>(i % 64);
  // All values 0..63: a VGA palette, scaled by 255/63 rounded.
  const std::vector<TRgbQuad> scaled = ReadPaletteFile(raw, "vga.raw", false);
  ASSERT_EQ(scaled.size(), 256u);
  EXPECT_EQ(scaled[0], (TRgbQuad{8, 4, 0, 0}));         // 0 1 2 -> 0 4 8
  EXPECT_EQ(scaled[10], (TRgbQuad{130, 125, 121, 0}));  // 30 31 32 -> 121 125 130
  EXPECT_EQ(scaled[20], (TRgbQuad{251, 247, 243, 0}));  // 60 61 62 -> 243 247 251
  EXPECT_EQ(scaled[21], (TRgbQuad{4, 0, 255, 0}));      // 63 0 1 -> 255 0 4
  EXPECT_EQ(ReadPaletteFile(raw, "vga.raw", true), scaled);
  // One value above 63: 8-bit values, kept.
  raw[767] = 64;
  const std::vector<TRgbQuad> kept = ReadPaletteFile(raw, "x.vga", false);
  EXPECT_EQ(kept[0], (TRgbQuad{2, 1, 0, 0}));
  EXPECT_EQ(kept[255], (TRgbQuad{64, 62, 61, 0}));
  EXPECT_EQ(ReadError(raw, "x.vga", true),
            "Palette \"x.vga\" is damaged: a value of 64 is beyond the 6 bits of a VGA palette");
  // A .pal that is not JASC text but 768 bytes is raw.
  EXPECT_EQ(ReadPaletteFile(raw, "game.PAL", false), kept);
  // Read at 8 bits, values 0..63 are kept as written.
  raw[767] = 63;
  std::vector<TRgbQuad> dark = kept;
  dark[255].Blue = 63;
  EXPECT_EQ(ReadPaletteFile(raw, "x.vga", icnkit::TPaletteDepth::EightBit), dark);
  EXPECT_EQ(ReadPaletteFile(raw, "x.vga", icnkit::TPaletteDepth::Detect), scaled);
  EXPECT_TRUE(
      icnkit::ReadsAsSixBit(ReadPaletteFile(raw, "x.vga", icnkit::TPaletteDepth::EightBit)));
  EXPECT_FALSE(icnkit::ReadsAsSixBit(scaled));
}

TEST(PaletteFile, UnknownAndDamagedFilesAreNamed) {
  EXPECT_EQ(
      MessageOf([] { PaletteFileFormatOfName("dir.v2/palette"); }),
      "Unknown palette format \"dir.v2/palette\": the name must end in .bmp, .png, .pal, .gpl, "
      ".act, .raw or .vga");
  EXPECT_EQ(PaletteFileFormatOfName("C:\\x\\P.GPL"), TPaletteFormat::Gpl);
  EXPECT_EQ(ReadError(Bytes("hello"), "p.txt"),
            "Unknown palette format \"p.txt\": the name must end in .bmp, .png, .pal, .gpl, .act, "
            ".raw or .vga");
  const std::map<std::string, std::pair<std::string, std::string>> damaged = {
      {"count", {"JASC-PAL\r\n0100\r\n257\r\n", "line 3: the colour count must be 1 to 256"}},
      {"version", {"JASC-PAL\r\n0200\r\n1\r\n0 0 0\r\n", "no JASC-PAL 0100 header"}},
      {"value",
       {"JASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n0 256 0\r\n", "line 5: not three values 0 to 255"}},
      {"short", {"JASC-PAL\r\n0100\r\n3\r\n0 0 0\r\n", "1 colours instead of 3"}},
      {"long", {"JASC-PAL\r\n0100\r\n1\r\n0 0 0\r\n1 1 1\r\n", "line 5: more colours than 1"}},
      {"extra", {"JASC-PAL\r\n0100\r\n1\r\n0 0 0 9\r\n", "line 4: not three values 0 to 255"}},
      {"gpl", {"GIMP Palette\n1 2\n", "line 2: not three values 0 to 255"}},
      {"gplsign", {"GIMP Palette\n-1 2 3\n", "line 2: not three values 0 to 255"}},
      {"gplempty", {"GIMP Palette\nName: x\n", "no colours"}},
  };
  for (const auto& [label, file] : damaged) {
    SCOPED_TRACE(label);
    EXPECT_EQ(ReadError(Bytes(file.first), "p.pal"),
              "Palette \"p.pal\" is damaged: " + file.second);
  }
  std::string gpl = "GIMP Palette\n";
  for (int i = 0; i < 257; ++i) gpl += "1 2 3\n";
  EXPECT_EQ(ReadError(Bytes(gpl), "p.gpl"), "Palette \"p.gpl\" is damaged: more than 256 colours");
  EXPECT_EQ(ReadError(std::vector<uint8_t>(700), "p.act"),
            "Palette \"p.act\" is damaged: 700 bytes; an Adobe colour table has 768 or 772");
  std::vector<uint8_t> act(772);
  act[768] = 1;  // 256 colours in 16 bits is 0x0100; 0x0101 is too many
  act[769] = 1;
  EXPECT_EQ(ReadError(act, "p.act"),
            "Palette \"p.act\" is damaged: the colour count 257 is not 1 to 256");
  EXPECT_EQ(ReadError(std::vector<uint8_t>(769), "p.raw"),
            "Palette \"p.raw\" is damaged: 769 bytes; a raw palette has 768");
  EXPECT_EQ(ReadError(Bytes("not a bitmap"), "p.bmp"),
            "Palette \"p.bmp\" is damaged: not a BMP file");
  EXPECT_EQ(ReadError(Bytes("BM"), "p.bmp"), "Palette \"p.bmp\" is damaged: Stream read error");
  EXPECT_EQ(ReadError(ReadBytes(TestDataPath("bmp/im_24bit_a.bmp")), "p.bmp"),
            "Palette \"p.bmp\" is damaged: the bitmap has no colour table");
  EXPECT_EQ(ReadError(MakePng({1, 1, 8, 2}, {1, 2, 3}), "p.png"),
            "PNG \"p.png\" has no colour table (PLTE)");
  std::vector<uint8_t> png = WritePaletteFile(TestPalette(), TPaletteFormat::Png);
  png.resize(30);
  EXPECT_EQ(ReadError(png, "p.png"), "Cannot read PNG \"p.png\": the file ends too early");
  EXPECT_EQ(MessageOf([] { WritePaletteFile({}, TPaletteFormat::Raw); }),
            "A palette has 1 to 256 colours, not 0");
  EXPECT_EQ(MessageOf([] { WritePaletteFile(std::vector<TRgbQuad>(257), TPaletteFormat::Gpl); }),
            "A palette has 1 to 256 colours, not 257");
}

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

TEST(PaletteFile, TablesWhoseFirstColoursSpellASignatureAreReadByTheirName) {
  // An Adobe table of two colours whose first, red 66 green 77, spells the
  // "BM" of a bitmap, and a raw table beginning with the eight bytes of a
  // PNG signature: both were read as damaged files of the other format.
  const std::map<std::string, std::string> expected = {
      {"palette_bm_first_colour.act", "424D01 030405 "},
      {"palette_png_signature.raw", ""},  // its 256 triplets
  };
  ReplayCorruptFiles(
      "palette_", expected, [&](const std::string& name, const std::string& outcome) {
        const std::vector<uint8_t> bytes = ReadBytes(TestDataPath("corrupt/" + name));
        EXPECT_EQ(ReadOutcome(bytes, name), outcome.empty() ? Triplets(bytes) : outcome);
      });
}

TEST(PaletteFile, EveryWrittenFormatReadsBackAPaletteStartingWithBM) {
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
