// icnkit_fuzz_seeds OUTPUT_FOLDER: writes the seed corpora of the fuzz
// targets, one subfolder per target, made only by icnkit's own encoders and
// writers and by testdata/'s builders: archives of both generations,
// bitmaps of every layout the loader knows, settings files, name triples,
// and (KitSeeds.cpp) PNG frames, palette files and sheets' JSON.
// Deterministic, so a seed that finds something can be made again.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "cli/GeneratorMain.h"
#include "fs/Files.h"
#include "fuzz/KitSeeds.h"
#include "fuzz/SeedWriter.h"
#include "image/IndexedImage.h"
#include "settings/IniDocument.h"
#include "testdata/ArchiveBuilder.h"
#include "testdata/BmpBuilder.h"

using namespace icnkit;

namespace {

using namespace testdata;

// --- archives ---

// A w x h sprite: transparent around a blob of indices from `palette`.
TBytes Sprite(std::mt19937& random, int32_t w, int32_t h, const TBytes& palette) {
  TBytes pixels(size_t(w) * size_t(h), 0);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (random() % 4 == 0) continue;
      // Runs: the previous pixel again half of the time.
      const size_t at = size_t(y) * size_t(w) + size_t(x);
      pixels[at] = (x > 0 && random() % 2) ? pixels[at - 1] : palette[random() % palette.size()];
    }
  }
  return pixels;
}

// Archives of both generations: no frames, sprites, empty and degenerate
// frames, shared streams, the far ends of the coordinates, every code.
std::vector<TBytes> Archives(TIcnGeneration generation) {
  std::vector<TBytes> seeds;
  std::mt19937 random(generation == TIcnGeneration::H1 ? 1 : 2);
  const bool h2 = generation == TIcnGeneration::H2;
  // H2 pictures use the indices of the special runs too.
  const TBytes palette = h2 ? TBytes{5, 6, 7, 4, 3, 2, 1, 8, 9, 0xF6, 0xFD, 0xFE, 0xFF, 0x20, 0x21}
                            : TBytes{1, 2, 9, 0x20, 0x7F, 0x80, 0xFF};
  // A frame of w x h pixels, fill-only when bit 5 of bits is set.
  const auto frame = [generation](int16_t left, int16_t top, int32_t w, int32_t h, uint8_t bits,
                                  const TBytes& pixels) {
    return EncodedFrame(generation, Record(left, top, uint16_t(w), uint16_t(h), bits), pixels,
                        (bits & 0x20) != 0);
  };

  seeds.push_back(BuildArchive(generation, {}));  // no frames
  for (int n = 0; n < 6; ++n) {
    std::vector<TTestFrame> frames;
    const int count = 1 + n;
    for (int i = 0; i < count; ++i) {
      const int32_t w = int32_t(1 + random() % 12);
      const int32_t h = int32_t(1 + random() % 10);
      const int16_t left = int16_t(int(random() % 20) - 10);
      const int16_t top = int16_t(int(random() % 20) - 10);
      const TBytes pixels = Sprite(random, w, h, palette);
      uint8_t bits = 0;
      if (i == count - 1 && n % 2 == 1) bits = 0x20;  // a fill-only shadow
      if (h2 && n == 4) bits = uint8_t(bits | 0x01);
      frames.push_back(frame(left, top, w, h, bits, pixels));
    }
    seeds.push_back(BuildArchive(generation, frames));
  }
  // Empty and degenerate frames.
  seeds.push_back(BuildArchive(generation, {frame(0, 0, 0, 0, 0, {}), frame(-1, -1, 0, 3, 0, {}),
                                            frame(5, 5, 4, 0, 0, {})}));
  // Two records sharing one stream; and a wide frame of long runs.
  {
    const TTestFrame a = frame(2, 3, 6, 4, 0, Sprite(random, 6, 4, palette));
    TBytes longRuns(600, palette[1]);
    for (size_t x = 130; x < 200; ++x) longRuns[x] = 0;
    seeds.push_back(BuildArchive(
        generation, {a, TTestFrame{a.Record, {}, 0}, frame(-100, 0, 300, 2, 0, longRuns)}));
  }
  // Frames at the far ends of the coordinate range.
  seeds.push_back(BuildArchive(generation, {frame(-32768, -32768, 2, 2, 0, {1, 2, 0, 3}),
                                            frame(32767, 32767, 3, 1, 0, {4, 4, 4})}));
  // Streams no encoder writes: every code of the generation once.
  if (h2) {
    seeds.push_back(BuildArchive(
        generation, {{Record(0, 0, 12, 3),
                      {0xC1, 0x05, 0x33, 0xC4, 0x44, 0xC0, 0x7B, 0xC0, 0x3D, 0x00, 0xC0, 0xFC,
                       0x0A, 0xC0, 0x00, 0x00, 0xBF, 0x00, 0x02, 0x11, 0x12, 0x00, 0x80}},
                     {Record(0, 0, 4, 2, 0x21), {0x03, 0x81, 0x00, 0x02, 0x00, 0x80}}}));
  } else {
    seeds.push_back(BuildArchive(
        generation, {{Record(0, 0, 6, 2), {0x82, 0x02, 0x07, 0x07, 0x00, 0x01, 0x03, 0x00, 0x80}},
                     {Record(0, 0, 5, 2), {0x82, 0x02, 0x00, 0x01, 0x00, 0x80}},
                     {Record(0, 0, 4, 1), {0xFF, 0x7F, 0x00, 0x80}}}));
  }
  return seeds;
}

void ArchiveSeeds(TIcnGeneration generation, const std::string& folder) {
  TSeedWriter seeds{folder};
  for (const TBytes& archive : Archives(generation)) seeds.Add(archive);
}

// --- bitmaps ---

// A BMP with an info header of infoSize bytes (40, 108, 124), `colours`
// table entries and the given rows, bottom row first (or top first when
// height is negative).
TBytes Bmp(int32_t width, int32_t height, uint16_t depth, uint32_t compression, int colours,
           const TBytes& pixelData, uint32_t infoSize = 40, std::vector<uint32_t> masks = {}) {
  const TBmpSpec spec{.Width = width,
                      .Height = height,
                      .BitsPerPixel = depth,
                      .Compression = compression,
                      .InfoSize = infoSize,
                      .ColourTable = DistinctColours(colours),
                      .Masks = std::move(masks),
                      .PixelData = pixelData};
  return MakeBmp(spec);
}

TBytes Rows(int32_t width, int32_t height, uint16_t depth, std::mt19937& random) {
  const size_t stride = ((size_t(width) * depth + 31) / 32) * 4;
  TBytes rows(stride * size_t(height), 0);
  for (uint8_t& byte : rows) byte = random() % 3 == 0 ? 0 : uint8_t(random());
  return rows;
}

void BitmapSeeds(const std::string& folder) {
  TSeedWriter seeds{folder};
  std::mt19937 random(3);
  // What the unpackers write, through the image's own writer.
  {
    TIndexedImage image;
    std::vector<TRgbQuad> table(256);
    for (int i = 0; i < 256; ++i) table[size_t(i)] = TRgbQuad{uint8_t(i), uint8_t(255 - i), 0, 0};
    image.Create8Bit(13, 7, table);
    for (int32_t y = 0; y < 7; ++y) {
      for (int32_t x = 3; x < 9; ++x) image.RowAddress(y)[x] = uint8_t(1 + (x * y) % 250);
    }
    seeds.Add(image.BmpBytes());
  }
  seeds.Add(TBytes{});  // the 0-byte file of an empty frame
  seeds.Add(Bmp(9, 5, 8, 0, 256, Rows(9, 5, 8, random)));
  seeds.Add(Bmp(9, -5, 8, 0, 16, Rows(9, 5, 8, random)));  // top-down
  seeds.Add(Bmp(7, 3, 4, 0, 16, Rows(7, 3, 4, random)));
  seeds.Add(Bmp(17, 3, 1, 0, 2, Rows(17, 3, 1, random)));
  seeds.Add(Bmp(5, 4, 24, 0, 0, Rows(5, 4, 24, random)));
  seeds.Add(Bmp(5, 4, 32, 0, 0, Rows(5, 4, 32, random)));
  seeds.Add(Bmp(5, 4, 16, 0, 0, Rows(5, 4, 16, random)));
  seeds.Add(Bmp(5, 4, 16, 3, 0, Rows(5, 4, 16, random), 40, {0xF800, 0x07E0, 0x001F}));
  seeds.Add(Bmp(6, 2, 8, 0, 256, Rows(6, 2, 8, random), 108));   // V4 header
  seeds.Add(Bmp(6, -2, 8, 0, 256, Rows(6, 2, 8, random), 124));  // V5 header
  // RLE8: a run, a literal, a delta, end of line, end of bitmap.
  const TBytes rle = {3, 9, 0, 3, 1, 2, 3, 0, 0, 2, 1, 1, 2, 7, 0, 0, 4, 4, 0, 1};
  seeds.Add(Bmp(8, 4, 8, 1, 256, rle));
  seeds.Add(Bmp(8, -4, 8, 1, 256, rle));
  seeds.Add(Bmp(8, 4, 4, 2, 16, TBytes{4, 0x12, 0, 0, 0, 1}));  // RLE4
  // Colours-used 0 with only 20 entries stored: the pixels start at the
  // offset, inside the 256 entries the depth implies.
  for (int32_t height : {3, -3}) {
    TBytes shortTable = Bmp(6, height, 8, 0, 20, Rows(6, 3, 8, random));
    PutU32(shortTable, 46, 0);
    seeds.Add(shortTable);
  }
  // The old core header: 12 bytes, 3-byte colour entries.
  {
    TBmpSpec core;
    core.Width = 4;
    core.Height = 2;
    core.InfoSize = 12;
    core.ColourTable = DistinctColours(256);
    core.PixelData = Rows(4, 2, 8, random);
    seeds.Add(MakeBmp(core));
  }
  // A file cut inside its pixel data.
  TBytes cut = Bmp(9, 9, 8, 0, 256, Rows(9, 9, 8, random));
  cut.resize(cut.size() - 30);
  seeds.Add(cut);
}

// --- settings files ---

void SettingsSeeds(const std::string& folder) {
  TSeedWriter seeds{folder};
  // What an unpack writes.
  TIniDocument written;
  written.Set("Position", "X", "-12");
  written.Set("Position", "Y", "-40");
  for (int i = 0; i < 3; ++i) written.Set("Bits", ZtFormat("%.4d.bmp", i), i == 2 ? "32" : "0");
  seeds.Add(written.Text());
  TIniDocument crlf("", TIniLineEnd::CrLf);
  crlf.Set("Position", "X", "0");
  crlf.Set("Bits", "0000.bmp", "33");
  seeds.Add(crlf.Text());
  // What hands and other editors make of it.
  seeds.Add(std::string("\xEF\xBB\xBF[Position]\r\nX = $10\r\nY=0x7FFFFFFF\r\n"));
  seeds.Add(std::string(
      "; frames\n[ position ]\n  x = \"5\"\n y='-0x1'\n\n[Bits]\n0000.BMP=+32\n; end\n"));
  seeds.Add(std::string("X=1\n[Position]\nX=2\nX=3\n[Position]\nY=4\n[Bits]\n10000.bmp=xFF"));
  seeds.Add(std::string("[Bits\n0001.bmp=2147483648\n0000.bmp=-2147483648\n[Position]"));
  seeds.Add(std::string("[Position]\nX\n=5\nY=  \n[Bits]\n0000.bmp = 1 ; comment\n"));
}

// --- name triples ---

void MaskSeeds(const std::string& folder) {
  TSeedWriter seeds{folder};
  const char* const triples[][3] = {
      {"*.bmp", "0001.bmp", "10000.BMP"},
      {"*.*", "README", "readme.txt"},
      {"a?c*", "abc", "ABCd"},
      {"file007", "file7", "file07"},
      {"x10y2", "x010y1", "X10Y10"},
      {"*.icn", "b.icn.cadres", "a.ICN"},
      {"Frame_9.bmp", "frame_10.bmp", "frame_9.BMP"},
      {"*a*b*c", "aXbXc", "abcabc"},
      {"0", "00", "000a"},
  };
  for (const auto& triple : triples) {
    std::string text = triple[0];
    text += '\0';
    text += triple[1];
    text += '\0';
    text += triple[2];
    seeds.Add(text);
  }
}

}  // namespace

int main(int argc, char** argv) {
  return RunGenerator(argc, argv, "icnkit_fuzz_seeds", [](TFileSystem& fs, const std::string& out) {
    const auto folder = [&out, &fs](const char* name) {
      std::string path = out + name + "/";
      if (!MakeFolders(fs, path)) throw TZtError("Cannot create folder " + path);
      return path;
    };
    ArchiveSeeds(TIcnGeneration::H1, folder("archive_h1"));
    ArchiveSeeds(TIcnGeneration::H2, folder("archive_h2"));
    BitmapSeeds(folder("bmp_load"));
    SettingsSeeds(folder("settings"));
    MaskSeeds(folder("mask_match"));
    PngSeeds(folder("png_read"));
    PaletteSeeds(folder("palette_file"));
    TSeedWriter sheets{folder("sheet_json")};
    SheetSeeds(sheets, TIcnGeneration::H1, Archives(TIcnGeneration::H1));
    SheetSeeds(sheets, TIcnGeneration::H2, Archives(TIcnGeneration::H2));
  });
}
