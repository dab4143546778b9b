// The palette bitmaps and the bundled sample archives, as built.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "image/FrameDrawing.h"
#include "settings/SettingsFile.h"
#include "tests/TestSupport.h"
#include "tests/unpack/UnpackTestArchives.h"
#include "unpack/UnpackerGeneration.h"

using namespace icnkit;

namespace {

using namespace unpack_testing;

std::string ExamplesPath(const std::string& name) {
  return TestDataPath("../../examples/" + name);
}

TEST(Palettes, EntryZeroIsTheOnlyFillColour) {
  for (const char* name : {"H1Palette.bmp", "H2Palette.bmp"}) {
    TIndexedImage palette = LoadBitmap(BinPath(name));
    EXPECT_EQ(palette.BitsPerPixel(), 8) << name;
    ASSERT_EQ(palette.Width(), 16) << name;
    ASSERT_EQ(palette.Height(), 16) << name;
    const std::vector<TRgbQuad>& colours = palette.ColourTable();
    ASSERT_EQ(colours.size(), 256u) << name;
    EXPECT_EQ(colours[0], (TRgbQuad{255, 255, 0, 0})) << name;  // blue, green, red
    std::set<std::tuple<int, int, int>> distinct;
    for (const TRgbQuad& c : colours) distinct.insert({c.Red, c.Green, c.Blue});
    EXPECT_EQ(distinct.size(), 256u) << name;
    for (int32_t i = 0; i < 256; ++i) {
      ASSERT_EQ(PixelAt(palette, i % 16, i / 16), i) << name;
    }
    palette.Fill(kFillColour);
    EXPECT_EQ(PixelAt(palette, 7, 7), 0) << name;
  }
  // H2's special-value indices look different from H1's grey ramp.
  EXPECT_NE(LoadBitmap(BinPath("H1Palette.bmp")).ColourTable()[250],
            LoadBitmap(BinPath("H2Palette.bmp")).ColourTable()[250]);
}

TEST(Samples, GeneratorReproducesThemAndTheyUnpack) {
  TTempFolder folder;
  const TRunResult made = RunProgram("icnkit_make_samples", {folder.Path()});
  ASSERT_EQ(made.ExitCode, 0) << made.Stderr;
  for (const char* name : {"sample_h1.icn", "sample_h2.icn"}) {
    EXPECT_EQ(ReadBytes(folder / name), ReadBytes(ExamplesPath(name))) << name;
  }
  const std::pair<const char*, const char*> runs[] = {{"dravel", "sample_h1.icn"},
                                                      {"dravix", "sample_h2.icn"}};
  for (const auto& [program, name] : runs) {
    const TRunResult run = RunProgram(program, {name}, folder.Path());
    EXPECT_EQ(run.Stdout, "Operation succesful.\n") << run.Stderr;
    const std::string frames = folder / (std::string(name) + ".cadres/");
    EXPECT_EQ(ListNames(frames), (std::vector<std::string>{"0000.bmp", "0001.bmp", "0002.bmp",
                                                           "0003.bmp", "0004.bmp", "setup.ini"}));
    TSettingsFile setup(NativeFs(), frames + "setup.ini");
    EXPECT_LT(setup.ReadNumber("Position", "X", 0), 0) << name;
    EXPECT_LT(setup.ReadNumber("Position", "Y", 0), 0) << name;
    EXPECT_EQ(setup.ReadNumber("Bits", "0003.bmp", -1), 0) << name;
    EXPECT_EQ(setup.ReadNumber("Bits", "0004.bmp", -1), 32) << name;  // the shadow
  }
}

}  // namespace
