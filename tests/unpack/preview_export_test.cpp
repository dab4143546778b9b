// Preview export: which frame stands for an archive, and how it is drawn.
#include <gtest/gtest.h>

#include "tests/TestSupport.h"
#include "tests/unpack/UnpackTestArchives.h"
#include "unpack/PreviewExport.h"

using namespace icnkit;

namespace {

using namespace unpack_testing;

constexpr TIcnGeneration kH1 = TIcnGeneration::H1;
constexpr TIcnGeneration kH2 = TIcnGeneration::H2;

std::vector<uint8_t> ArchiveOfHeights(TIcnGeneration generation,
                                      const std::vector<uint16_t>& heights) {
  std::vector<TTestFrame> frames;
  for (uint16_t height : heights) frames.push_back(TTestFrame{Record(0, 0, 1, height), {0x80}});
  return BuildArchive(generation, frames);
}

std::optional<size_t> Choose(const TUnpackerGeneration& generation, const std::string& path,
                             const std::vector<uint16_t>& heights) {
  return ChoosePreviewFrame(generation, ArchiveOfHeights(generation.Format.Generation, heights),
                            path);
}

TEST(PreviewExport, ChoosesTheFirstFrameTallerThanOneRow) {
  EXPECT_EQ(PreviewStartTable[0], 0);
  EXPECT_EQ(PreviewStartTable[1], 1);
  EXPECT_EQ(Choose(kDravelGeneration, "a.icn", {1, 1, 8, 20}), 2u);
  EXPECT_EQ(Choose(kDravelGeneration, "a.icn", {1, 0, 1}), 0u);
  EXPECT_EQ(Choose(kDravelGeneration, "a.icn", {}), std::nullopt);
  // .std archives of more than one frame start at frame 1.
  EXPECT_EQ(Choose(kDravelGeneration, "/s/x.std", {30, 30}), 1u);
  EXPECT_EQ(Choose(kDravelGeneration, "/s/X.STD", {30, 30}), 1u);
  EXPECT_EQ(Choose(kDravelGeneration, "/s/x.std", {30}), 0u);
  EXPECT_EQ(Choose(kDravelGeneration, "/s/x.std", {30, 1, 1}), 1u);
  EXPECT_EQ(Choose(kDravelGeneration, "/s/x.stdx", {30, 30}), 0u);
  // Dravix has no such rule.
  EXPECT_EQ(Choose(kDravixGeneration, "/s/x.std", {30, 30}), 0u);
  EXPECT_EQ(Choose(kDravixGeneration, "/s/x.icn", {30, 30}), 0u);
}

TEST(PreviewExport, DrawsTheFrameAloneAtItsOwnSize) {
  TTempFolder folder;
  // Heights 1, 1, 8, 20: frame 2 is shown, 8 rows high, at the top-left
  // corner whatever its Left and Top.
  WriteBytes(
      folder / "a.icn",
      BuildArchive(kH2, {SolidFrame(kH2, 0, 0, 5, 1, 9), SolidFrame(kH2, 0, 0, 5, 1, 9),
                         SolidFrame(kH2, -40, -60, 6, 8, 12), SolidFrame(kH2, 0, 0, 5, 20, 9)}));
  ExportPreview(NativeFs(), kDravixGeneration, folder / "a.icn", folder / "a.icn.bmp");
  const TIndexedImage image = LoadBitmap(folder / "a.icn.bmp");
  ASSERT_EQ(image.Width(), 6);
  ASSERT_EQ(image.Height(), 8);
  EXPECT_EQ(PixelAt(image, 0, 0), 12);
  EXPECT_EQ(PixelAt(image, 1, 1), 0);  // the hole shows the background
  EXPECT_EQ(PixelAt(image, 5, 7), 12);

  // A fill-only frame shows its shape in index 5.
  WriteBytes(
      folder / "s.icn",
      BuildArchive(kH1, {TTestFrame{Record(3, 3, 3, 2), {0x81, 0x02, 0x00, 0x01, 0x00, 0x80}}}));
  ExportPreview(NativeFs(), kDravelGeneration, folder / "s.icn", folder / "s.bmp");
  const TIndexedImage shadow = LoadBitmap(folder / "s.bmp");
  const uint8_t expected[2][3] = {{0, 5, 5}, {5, 0, 0}};
  for (int32_t row = 0; row < 2; ++row) {
    for (int32_t column = 0; column < 3; ++column) {
      EXPECT_EQ(PixelAt(shadow, column, row), expected[row][column]) << column << "," << row;
    }
  }

  // No frames: no file, no failure. Running again replaces the preview.
  WriteBytes(folder / "none.icn", BuildArchive(kH2, {}));
  ExportPreview(NativeFs(), kDravixGeneration, folder / "none.icn", folder / "none.icn.bmp");
  EXPECT_FALSE(FileExists(folder / "none.icn.bmp"));
  WriteBytes(folder / "a.icn", BuildArchive(kH2, {SolidFrame(kH2, 0, 0, 3, 3, 10)}));
  ExportPreview(NativeFs(), kDravixGeneration, folder / "a.icn", folder / "a.icn.bmp");
  EXPECT_EQ(LoadBitmap(folder / "a.icn.bmp").Width(), 3);
}

}  // namespace
