// PNG frames and palette files through the built icnkit: unpack to PNG and
// pack back byte for byte, --transparent, --palette, an editor's own colour
// table (warning, --remap), a colour outside the palette, and the palette
// subcommand.
#include <gtest/gtest.h>

#include "palette/PaletteFile.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/TestSupport.h"
#include "tests/png/PngTestSupport.h"

using namespace icnkit;

using namespace testdata;

namespace {

TRunResult Kit(const std::vector<std::string>& args, const std::string& folder) {
  return RunProgram("icnkit", args, folder);
}

// Three frames: a solid one, one of several colours with transparent
// pixels, a fill-only one.
TBytes Archive(TIcnGeneration generation) {
  TBytes pixels(20);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i % 3 ? 10 + i : 0);
  return BuildArchive(generation,
                      {SolidFrame(generation, -3, -4, 6, 5, 40),
                       EncodedFrame(generation, Record(0, 0, 5, 4), pixels),
                       EncodedFrame(generation, Record(-1, 2, 4, 3, 32), TBytes(12, 7), true)});
}

TEST(PngKit, PngFramesPackIntoTheArchiveTheyCameFrom) {
  // The last archive's only frame has no pixels: its file has no bytes.
  const TTestFrame none = EncodedFrame(TIcnGeneration::H1, Record(7, -2, 0, 0), {});
  for (const TBytes& archive : {Archive(TIcnGeneration::H1), Archive(TIcnGeneration::H2),
                                BuildArchive(TIcnGeneration::H1, {none})}) {
    SCOPED_TRACE(archive.size());
    TTempFolder folder;
    WriteBytes(folder / "a.icn", archive);
    for (const bool transparent : {false, true}) {
      std::vector<std::string> unpack = {"-q", "unpack", "--format", "png", "-o", "out", "a.icn"};
      if (transparent) unpack.push_back("--transparent");
      const TRunResult run = Kit(unpack, folder.Path());
      ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
      EXPECT_EQ(run.Stdout + run.Stderr, "");
      const TBytes first = ReadBytes(folder / "out/a.icn.cadres/0000.png");
      if (FrameCount(archive) == 1) {
        EXPECT_EQ(first, TBytes{});
      } else {
        const TPngInfo info = InspectPng(first);
        EXPECT_EQ(info.ColourType, SPNG_COLOR_TYPE_INDEXED);
        EXPECT_EQ(info.Plte.size(), 256u);
        EXPECT_EQ(info.Trns, transparent ? std::vector<uint8_t>{0} : std::vector<uint8_t>{});
      }
      const TRunResult pack = Kit({"-q", "pack", "-o", "b.icn", "out/a.icn.cadres"}, folder.Path());
      ASSERT_EQ(pack.ExitCode, 0) << pack.Stderr;
      EXPECT_EQ(pack.Stderr, "");
      EXPECT_EQ(ReadBytes(folder / "b.icn"), archive);
    }
  }
}

TEST(PngKit, AnOwnColourTableWarnsAndRemapKeepsTheColours) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", Archive(TIcnGeneration::H1));
  ASSERT_EQ(Kit({"unpack", "--format", "png", "a.icn"}, folder.Path()).ExitCode, 0);
  // Frame 1 as an editor saves it: the table reversed, the indices too.
  const std::string frame = folder / "a.icn.cadres/0001.png";
  const TPngInfo info = InspectPng(ReadBytes(frame));
  TPngSpec spec{info.Width, info.Height, 8, SPNG_COLOR_TYPE_INDEXED};
  spec.Plte.assign(info.Plte.rbegin(), info.Plte.rend());
  std::vector<uint8_t> reversed;
  for (uint8_t index : info.Pixels) reversed.push_back(static_cast<uint8_t>(255 - index));
  WriteBytes(frame, MakePng(spec, reversed));

  const TRunResult warned = Kit({"pack", "-o", "b.icn", "a.icn.cadres"}, folder.Path());
  const std::string packed = "icnkit: packed 3 frames into b.icn\n";
  EXPECT_EQ(warned.ExitCode, 0);
  // Every pixel of the frame's bitmap (the union rectangle) changes.
  EXPECT_EQ(warned.Stderr,
            NativeSlashes("icnkit: warning: PNG \"a.icn.cadres/0001.png\" has its own "
                          "colour table: " +
                          std::to_string(info.Width * info.Height) +
                          " pixels change colour (--remap keeps their colours)\n") +
                packed);
  EXPECT_NE(ReadBytes(folder / "b.icn"), Archive(TIcnGeneration::H1));
  const TRunResult remapped =
      Kit({"-q", "pack", "--remap", "-o", "c.icn", "a.icn.cadres"}, folder.Path());
  EXPECT_EQ(remapped.ExitCode, 0);
  EXPECT_EQ(remapped.Stderr, "");
  EXPECT_EQ(ReadBytes(folder / "c.icn"), Archive(TIcnGeneration::H1));
}

TEST(PngKit, AColourOutsideThePaletteFailsThePack) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", Archive(TIcnGeneration::H2));
  ASSERT_EQ(Kit({"unpack", "--format", "png", "a.icn"}, folder.Path()).ExitCode, 0);
  WriteBytes(folder / "a.icn.cadres/0000.png",
             MakePng({2, 1, 8, SPNG_COLOR_TYPE_TRUECOLOR}, {0, 0, 0, 0x12, 0x34, 0x56}));
  const TRunResult run = Kit({"pack", "a.icn.cadres"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 1);
  // The message names the file once.
  EXPECT_EQ(run.Stderr,
            NativeSlashes("icnkit: PNG \"a.icn.cadres/0000.png\": pixel (1, 0) has colour #123456, "
                          "which is not in the palette\n"));
  EXPECT_EQ(ReadBytes(folder / "a.icn"), Archive(TIcnGeneration::H2));  // left as it was
}

TEST(PngKit, PaletteOptionAndSubcommand) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", Archive(TIcnGeneration::H1));
  // Every format in turn, from the generation's palette bitmap.
  std::string from = BinPath("H1Palette.bmp");
  for (const char* to : {"p.gpl", "p.act", "p.pal", "p.png", "p.raw", "p.bmp"}) {
    const TRunResult run = Kit({"palette", from, to}, folder.Path());
    ASSERT_EQ(run.ExitCode, 0) << to << run.Stderr;
    from = to;
  }
  const std::vector<TRgbQuad> palette =
      ReadPaletteFile(ReadBytes(folder / "p.bmp"), "p.bmp", false);
  EXPECT_EQ(palette, ReadPaletteFile(ReadBytes(BinPath("H1Palette.bmp")), "H1Palette.bmp", false));
  // Another palette: the PNGs carry it, the pack matches against it.
  std::vector<TRgbQuad> other = palette;
  std::reverse(other.begin(), other.end());
  WriteBytes(folder / "other.act", WritePaletteFile(other, TPaletteFormat::Act));
  ASSERT_EQ(
      Kit({"unpack", "--format", "png", "--palette", "other.act", "a.icn"}, folder.Path()).ExitCode,
      0);
  EXPECT_EQ(InspectPng(ReadBytes(folder / "a.icn.cadres/0000.png")).Plte, other);
  const TRunResult pack =
      Kit({"pack", "--palette", "other.act", "-o", "b.icn", "a.icn.cadres"}, folder.Path());
  EXPECT_EQ(pack.ExitCode, 0) << pack.Stderr;
  EXPECT_EQ(ReadBytes(folder / "b.icn"), Archive(TIcnGeneration::H1));
  // Errors: an unknown OUT name before IN is read, a damaged IN; nothing
  // is written.
  const TRunResult unknown = Kit({"palette", "p.gpl", "p.txt"}, folder.Path());
  EXPECT_EQ(unknown.ExitCode, 1);
  EXPECT_EQ(unknown.Stderr,
            "icnkit: Unknown palette format \"p.txt\": the name must end in .bmp, "
            ".png, .pal, .gpl, .act, .raw or .vga\n");
  WriteText(folder / "bad.gpl", "GIMP Palette\n1 2\n");
  const TRunResult damaged = Kit({"palette", "bad.gpl", "q.pal"}, folder.Path());
  EXPECT_EQ(damaged.ExitCode, 1);
  EXPECT_EQ(damaged.Stderr,
            "icnkit: Palette \"bad.gpl\" is damaged: line 2: not three values 0 to 255\n");
  EXPECT_FALSE(FileExists(folder / "p.txt"));
  EXPECT_FALSE(FileExists(folder / "q.pal"));
}

}  // namespace
