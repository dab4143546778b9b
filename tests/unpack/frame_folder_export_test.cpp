// Frame folder export: layout of the bitmaps, setup.ini, flags, naming.
#include <gtest/gtest.h>

#include "fs/Files.h"
#include "settings/SettingsFile.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"
#include "tests/unpack/UnpackTestArchives.h"
#include "unpack/FrameFolderExport.h"

using namespace icnkit;

namespace {

using namespace unpack_testing;

constexpr TIcnGeneration kH1 = TIcnGeneration::H1;
constexpr TIcnGeneration kH2 = TIcnGeneration::H2;

// Writes the archive as folder/name and unpacks it; returns the frame folder.
std::string Unpack(const TUnpackerGeneration& generation, const TTempFolder& folder,
                   const std::string& name, const std::vector<uint8_t>& archive) {
  WriteBytes(folder / name, archive);
  const std::string frames = folder / (name + ".cadres/");
  ExportFrameFolder(NativeFs(), generation, folder / name, frames);
  return frames;
}

int32_t Setting(const std::string& frames, const std::string& section, const std::string& key) {
  return TSettingsFile(NativeFs(), frames + "setup.ini").ReadNumber(section, key, -9999);
}

// Every pixel inside the rectangle holds index (but for the hole of
// SolidFrame), every other pixel the background 0.
void ExpectOnlyRectangle(const TIndexedImage& image, int32_t left, int32_t top, int32_t width,
                         int32_t height, uint8_t index) {
  for (int32_t row = 0; row < image.Height(); ++row) {
    for (int32_t column = 0; column < image.Width(); ++column) {
      const bool inside = column >= left && column < left + width && row >= top &&
                          row < top + height && !(column == left + 1 && row == top + 1);
      ASSERT_EQ(PixelAt(image, column, row), inside ? index : 0) << column << "," << row;
    }
  }
}

TEST(FrameFolderExport, UnionRectangleLayoutAndSetupIni) {
  TTempFolder folder;
  const std::string frames = Unpack(kDravelGeneration, folder, "Target.icn",
                                    BuildArchive(kH1, {SolidFrame(kH1, -10, -20, 30, 25, 9),
                                                       SolidFrame(kH1, 5, -30, 10, 10, 10)}));
  EXPECT_EQ(ListNames(frames), (std::vector<std::string>{"0000.bmp", "0001.bmp", "setup.ini"}));
  const TIndexedImage first = LoadBitmap(frames + "0000.bmp");
  const TIndexedImage second = LoadBitmap(frames + "0001.bmp");
  ASSERT_EQ(first.Width(), 30);
  ASSERT_EQ(first.Height(), 35);
  ASSERT_EQ(second.Width(), 30);
  ASSERT_EQ(second.Height(), 35);
  // Frame 0 at column 0, row 10; frame 1 at column 15, row 0, with no trace
  // of frame 0; the holes hold the background.
  ExpectOnlyRectangle(first, 0, 10, 30, 25, 9);
  ExpectOnlyRectangle(second, 15, 0, 10, 10, 10);
  EXPECT_EQ(first.ColourTable().size(), 256u);
  EXPECT_EQ(Setting(frames, "Position", "X"), -10);
  EXPECT_EQ(Setting(frames, "Position", "Y"), -30);
  EXPECT_EQ(Setting(frames, "Bits", "0000.bmp"), 0);
  EXPECT_EQ(Setting(frames, "Bits", "0001.bmp"), 0);
  // Keys in the order X, Y, then the frames.
  const std::string ini = ReadText(frames + "setup.ini");
  const size_t x = ini.find("X="), y = ini.find("Y="), b0 = ini.find("0000.bmp="),
               b1 = ini.find("0001.bmp=");
  ASSERT_NE(b1, std::string::npos);
  EXPECT_LT(x, y);
  EXPECT_LT(y, b0);
  EXPECT_LT(b0, b1);
}

TEST(FrameFolderExport, SingleEmptyAndZeroHeightFrames) {
  TTempFolder folder;
  // One frame: the bitmap has its size, X and Y are its Left and Top.
  std::string frames = Unpack(kDravixGeneration, folder, "one.icn",
                              BuildArchive(kH2, {SolidFrame(kH2, 7, -3, 4, 6, 12)}));
  TIndexedImage image = LoadBitmap(frames + "0000.bmp");
  EXPECT_EQ(image.Width(), 4);
  EXPECT_EQ(image.Height(), 6);
  ExpectOnlyRectangle(image, 0, 0, 4, 6, 12);
  EXPECT_EQ(Setting(frames, "Position", "X"), 7);
  EXPECT_EQ(Setting(frames, "Position", "Y"), -3);

  // No frames: the folder exists and stays empty.
  frames = Unpack(kDravixGeneration, folder, "none.icn", BuildArchive(kH2, {}));
  EXPECT_TRUE(IsDirectory(NativeFs(), frames));
  EXPECT_TRUE(ListNames(frames).empty());

  // A frame of height 0 is saved as background only.
  frames = Unpack(
      kDravelGeneration, folder, "flat.icn",
      BuildArchive(kH1, {SolidFrame(kH1, 0, 0, 3, 3, 9), TTestFrame{Record(1, 1, 2, 0), {0x80}}}));
  image = LoadBitmap(frames + "0001.bmp");
  ASSERT_EQ(image.Width(), 3);
  ExpectOnlyRectangle(image, 0, 0, 0, 0, 0);

  // Every frame of height 0: bitmaps without pixels, still one per frame.
  frames = Unpack(kDravelGeneration, folder, "zero.icn",
                  BuildArchive(kH1, {TTestFrame{Record(0, 0, 5, 0), {0x80}},
                                     TTestFrame{Record(0, 0, 0, 0), {0x80}}}));
  EXPECT_EQ(ListNames(frames), (std::vector<std::string>{"0000.bmp", "0001.bmp", "setup.ini"}));
  EXPECT_EQ(ReadBytes(frames + "0000.bmp").size(), 0u);
}

TEST(FrameFolderExport, EdgesBeyondSixteenBitsAndTooLargeBitmaps) {
  TTempFolder folder;
  // Left 32000 + Width 1000 is 33000, not a wrapped value.
  const std::string frames =
      Unpack(kDravelGeneration, folder, "wide.icn",
             BuildArchive(kH1, {TTestFrame{Record(-32768, 0, 0, 1), {0x00, 0x80}},
                                SolidFrame(kH1, 32000, 0, 1000, 1, 9)}));
  const TIndexedImage image = LoadBitmap(frames + "0001.bmp");
  EXPECT_EQ(image.Width(), 65768);
  EXPECT_EQ(PixelAt(image, 64767, 0), 0);
  EXPECT_EQ(PixelAt(image, 64768, 0), 9);
  EXPECT_EQ(PixelAt(image, 65767, 0), 9);
  EXPECT_EQ(Setting(frames, "Position", "X"), -32768);

  // A union rectangle no BMP can hold fails cleanly.
  WriteBytes(folder / "huge.icn",
             BuildArchive(kH1, {TTestFrame{Record(-32768, -32768, 0, 0), {0x80}},
                                TTestFrame{Record(32767, 32767, 65535, 65535), {0x80}}}));
  try {
    ExportFrameFolder(NativeFs(), kDravelGeneration, folder / "huge.icn",
                      folder / "huge.icn.cadres/");
    FAIL() << "no error";
  } catch (const TZtError& error) {
    EXPECT_STREQ(error.what(), "Bitmap too large: 131070 x 131070");
  }
  // A truncated archive fails with the container's message.
  std::vector<uint8_t> truncated = BuildArchive(kH1, {SolidFrame(kH1, 0, 0, 3, 3, 9)});
  truncated.resize(10);
  WriteBytes(folder / "cut.icn", truncated);
  try {
    ExportFrameFolder(NativeFs(), kDravelGeneration, folder / "cut.icn",
                      folder / "cut.icn.cadres/");
    FAIL() << "no error";
  } catch (const TZtError& error) {
    EXPECT_STREQ(error.what(), "Invalid archive: frame table runs past the end of the file");
  }
}

TEST(FrameFolderExport, BitsValuesOfBothGenerations) {
  TTempFolder folder;
  const std::vector<uint8_t> shape{0, 7, 7, 0, 3, 0, 0, 0};  // 4 x 2
  const TTestFrame normal{Record(0, 0, 4, 2), EncodeFrame(kH1, shape, 4, 2)};
  const TTestFrame shadow{Record(0, 0, 4, 2), EncodeFrame(kH1, shape, 4, 2, true)};
  // Dravel: judged from the stream; every frame of font.icn and frame 0 of
  // any .std archive are fill-only whatever their streams.
  std::string frames =
      Unpack(kDravelGeneration, folder, "plain.icn", BuildArchive(kH1, {normal, shadow}));
  EXPECT_EQ(Setting(frames, "Bits", "0000.bmp"), 0);
  EXPECT_EQ(Setting(frames, "Bits", "0001.bmp"), 32);
  EXPECT_EQ(PixelAt(LoadBitmap(frames + "0001.bmp"), 1, 0), 5);
  EXPECT_EQ(PixelAt(LoadBitmap(frames + "0000.bmp"), 1, 0), 7);
  for (const char* name : {"font.icn", "FONT.ICN"}) {
    frames = Unpack(kDravelGeneration, folder, name, BuildArchive(kH1, {normal, normal}));
    EXPECT_EQ(Setting(frames, "Bits", "0000.bmp"), 32) << name;
    EXPECT_EQ(Setting(frames, "Bits", "0001.bmp"), 32) << name;
  }
  frames = Unpack(kDravelGeneration, folder, "x.STD", BuildArchive(kH1, {normal, normal}));
  EXPECT_EQ(Setting(frames, "Bits", "0000.bmp"), 32);
  EXPECT_EQ(Setting(frames, "Bits", "0001.bmp"), 0);

  // Dravix: the record's whole Bits byte; bit 5 decides the decoding.
  const TTestFrame h2Shadow{Record(0, 0, 4, 2, 0x21), EncodeFrame(kH2, shape, 4, 2, true)};
  const TTestFrame h2Normal{Record(0, 0, 4, 2, 0x01), EncodeFrame(kH2, shape, 4, 2)};
  frames = Unpack(kDravixGeneration, folder, "h2.icn", BuildArchive(kH2, {h2Shadow, h2Normal}));
  EXPECT_EQ(Setting(frames, "Bits", "0000.bmp"), 33);
  EXPECT_EQ(Setting(frames, "Bits", "0001.bmp"), 1);
  const TIndexedImage fill = LoadBitmap(frames + "0000.bmp");
  const TIndexedImage colours = LoadBitmap(frames + "0001.bmp");
  for (int32_t i = 0; i < 8; ++i) {
    EXPECT_EQ(PixelAt(fill, i % 4, i / 4), shape[i] ? 5 : 0) << i;
    EXPECT_EQ(PixelAt(colours, i % 4, i / 4), shape[i]) << i;
  }
}

TEST(FrameFolderExport, NamesPastNineThousandNineHundredNinetyNine) {
  TTempFolder folder;
  std::vector<TTestFrame> many(10001, TTestFrame{Record(0, 0, 1, 1), {0x01, 0x09, 0x00, 0x80}});
  const std::string frames = Unpack(kDravelGeneration, folder, "many.icn", BuildArchive(kH1, many));
  const std::vector<std::string> names = ListNames(frames);
  EXPECT_EQ(names.size(), 10002u);
  EXPECT_TRUE(FileExists(frames + "9999.bmp"));
  EXPECT_TRUE(FileExists(frames + "10000.bmp"));
  EXPECT_FALSE(FileExists(frames + "10001.bmp"));
  EXPECT_EQ(Setting(frames, "Bits", "10000.bmp"), 0);
}

TEST(FrameFolderExport, ReunpackingKeepsWhatItDoesNotReplace) {
  TTempFolder folder;
  const TTestFrame shadow{Record(0, 0, 2, 1), {0x02, 0x00, 0x80}};  // judged fill-only
  const TTestFrame normal = SolidFrame(kH1, 0, 0, 2, 1, 9);
  WriteBytes(folder / "a.icn", BuildArchive(kH1, {shadow, shadow, shadow, shadow, shadow}));
  ExportFrameFolder(NativeFs(), kDravelGeneration, folder / "a.icn", folder / "out/");
  const std::vector<uint8_t> old3 = ReadBytes(folder / "out/0003.bmp");
  WriteBytes(folder / "b.icn", BuildArchive(kH1, {normal, normal, normal}));
  ExportFrameFolder(NativeFs(), kDravelGeneration, folder / "b.icn", folder / "out/");
  EXPECT_EQ(ListNames(folder / "out/"),
            (std::vector<std::string>{"0000.bmp", "0001.bmp", "0002.bmp", "0003.bmp", "0004.bmp",
                                      "setup.ini"}));
  EXPECT_EQ(PixelAt(LoadBitmap(folder / "out/0002.bmp"), 0, 0), 9);
  EXPECT_EQ(ReadBytes(folder / "out/0003.bmp"), old3);
  for (const char* name : {"0000.bmp", "0001.bmp", "0002.bmp"}) {
    EXPECT_EQ(Setting(folder / "out/", "Bits", name), 0) << name;
  }
  EXPECT_EQ(Setting(folder / "out/", "Bits", "0003.bmp"), 32);
  EXPECT_EQ(Setting(folder / "out/", "Bits", "0004.bmp"), 32);
}

TEST(FrameFolderExport, NewBitmapsAreWrittenInPlaceOldOnesReplaced) {
  TMemoryFileSystem fs;
  fs.AddFile("/f/a.icn",
             BuildArchive(kH2, {SolidFrame(kH2, 0, 0, 2, 1, 9), SolidFrame(kH2, 0, 0, 2, 1, 7)}));
  fs.AddFile("/opt/icnkit/H2Palette.bmp", ReadBytes(BinPath("H2Palette.bmp")));
  // The bitmap writes of an unpack: "create" in place, "write" whole.
  const auto unpack = [&fs] {
    fs.Log.clear();
    ExportFrameFolder(fs, kDravixGeneration, "/f/a.icn", "/f/out/");
    std::vector<std::string> writes;
    for (const std::string& entry : fs.Log) {
      if (entry.ends_with(".bmp")) writes.push_back(entry);
    }
    return writes;
  };
  EXPECT_EQ(unpack(),
            (std::vector<std::string>{"create /f/out/0000.bmp", "create /f/out/0001.bmp"}));
  EXPECT_EQ(unpack(), (std::vector<std::string>{"write /f/out/0000.bmp", "write /f/out/0001.bmp"}));
  // Each bitmap is tried in place first, the second time too.
  EXPECT_EQ(fs.Calls("WriteNewFile"), 4);
  std::vector<std::string> names;
  for (const auto& [name, bytes] : fs.Files) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"/f/a.icn", "/f/out/0000.bmp", "/f/out/0001.bmp",
                                             "/f/out/setup.ini", "/opt/icnkit/H2Palette.bmp"}));
}

}  // namespace
