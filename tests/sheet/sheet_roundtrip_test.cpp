// Sprite sheets: every frame's pixels at its cell and nothing elsewhere;
// the sheet, its JSON and the way back give the archive byte for byte; an
// edited sheet packs what was painted; damaged sheets get clear errors.
#include <gtest/gtest.h>

#include "format/Error.h"
#include "sheet/SheetCompose.h"
#include "sheet/SheetPack.h"
#include "tests/TestSupport.h"
#include "tests/sheet/SheetTestSupport.h"

using namespace icnkit;

using namespace sheettest;

namespace {

std::vector<TSheetOptions> AllOptions() {
  std::vector<TSheetOptions> all;
  for (const bool untrimmed : {false, true}) {
    for (const TSheetArrangement arrangement :
         {TSheetArrangement::Grid, TSheetArrangement::Packed}) {
      for (const int32_t padding : {0, 2}) {
        TSheetOptions options;
        options.Untrimmed = untrimmed;
        options.Layout.Arrangement = arrangement;
        options.Layout.Padding = padding;
        options.Layout.Columns = arrangement == TSheetArrangement::Grid ? padding : 0;
        options.Image = "sheet.png";
        options.Version = "9.8.7";
        all.push_back(options);
      }
    }
  }
  return all;
}

std::string OptionsText(const TSheetOptions& options) {
  return ZtFormat("untrimmed %d packed %d padding %d", options.Untrimmed,
                  options.Layout.Arrangement == TSheetArrangement::Packed, options.Layout.Padding);
}

// The sheet through its JSON text, as the way back reads it.
TSheetDescription ThroughJson(const TSheetDescription& description) {
  return ReadSheetJson(WriteSheetJson(description), "sheet.json");
}

// Each frame's pixels lie at its cell (untrimmed: at the frame's place in
// it), every other pixel of the sheet is 0, and the JSON's facts are the
// archive's.
void ExpectFramesAtTheirCells(const TArchiveFrames& frames, const TSheet& sheet,
                              const TSheetOptions& options) {
  const TIndexedImage& image = sheet.Image;
  std::vector<uint8_t> covered(size_t(image.Width()) * image.Height(), 0);
  ASSERT_EQ(sheet.Description.Frames.size(), frames.Frames.size());
  for (size_t i = 0; i < frames.Frames.size(); ++i) {
    const TIcnFrame& record = frames.Frames[i].Record;
    const TSheetFrame& entry = sheet.Description.Frames[i];
    EXPECT_EQ(entry.Filename, ZtFormat("%.4zu", i));
    EXPECT_EQ(entry.Left, record.Left);
    EXPECT_EQ(entry.Top, record.Top);
    EXPECT_EQ(entry.Width, record.Width);
    EXPECT_EQ(entry.Height, record.Height);
    EXPECT_EQ(entry.Bits, frames.Frames[i].Bits);
    EXPECT_EQ(entry.SourceWidth, frames.Union.Width);
    EXPECT_EQ(entry.SourceHeight, frames.Union.Height);
    EXPECT_EQ(entry.Frame.Width, entry.SpriteSource.Width);
    EXPECT_EQ(entry.Frame.Height, entry.SpriteSource.Height);
    if (!frames.Frames[i].HasPixels()) continue;
    const int32_t dx = options.Untrimmed ? record.Left - frames.Union.Left : 0;
    const int32_t dy = options.Untrimmed ? record.Top - frames.Union.Top : 0;
    EXPECT_EQ(entry.SpriteSource.Left + dx, record.Left - frames.Union.Left);
    EXPECT_EQ(entry.SpriteSource.Top + dy, record.Top - frames.Union.Top);
    const TBytes pixels = FramePixels(frames, i);
    for (int32_t y = 0; y < record.Height; ++y) {
      for (int32_t x = 0; x < record.Width; ++x) {
        const int32_t sx = entry.Frame.Left + dx + x;
        const int32_t sy = entry.Frame.Top + dy + y;
        ASSERT_EQ(image.RowAddress(sy)[sx], pixels[size_t(y) * record.Width + size_t(x)])
            << "frame " << i << " pixel " << x << ", " << y;
        covered[size_t(sy) * image.Width() + size_t(sx)] = 1;
      }
    }
  }
  for (int32_t y = 0; y < image.Height(); ++y) {
    for (int32_t x = 0; x < image.Width(); ++x) {
      if (covered[size_t(y) * image.Width() + size_t(x)] == 0) {
        ASSERT_EQ(image.RowAddress(y)[x], 0)
            << "pixel " << x << ", " << y << " outside every frame";
      }
    }
  }
}

TEST(SheetCompose, EveryFramesPixelsLieAtItsCell) {
  std::mt19937 random(4242);
  for (const TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    for (int round = 0; round < 6; ++round) {
      const TBytes archive = MixedArchive(random, generation, 1 + random() % 14);
      const TArchiveFrames frames = ReadArchiveFrames(archive, generation, "mixed.icn");
      for (const TSheetOptions& options : AllOptions()) {
        SCOPED_TRACE(OptionsText(options));
        const TSheet sheet = ComposeSheet(frames, TestPalette(), options);
        EXPECT_EQ(sheet.Image.ColourTable(), TestPalette());
        EXPECT_EQ(sheet.Description.Image, "sheet.png");
        EXPECT_EQ(sheet.Description.Archive, "mixed.icn");
        EXPECT_EQ(sheet.Description.X, frames.Union.Left);
        EXPECT_EQ(sheet.Description.Y, frames.Union.Top);
        EXPECT_EQ(sheet.Description.Width, sheet.Image.Width());
        EXPECT_EQ(sheet.Description.Height, sheet.Image.Height());
        ExpectFramesAtTheirCells(frames, sheet, options);
      }
    }
  }
}

TEST(SheetCompose, FillOnlyFramesShowTheirFillIndexAndTrimmedFollowsTheCell) {
  // H2: a 3 x 2 fill-only frame and a 1 x 1 frame at the union's corner.
  TBytes pixels = {9, 9, 9, 0, 9, 9};
  const TBytes archive = BuildArchive(
      TIcnGeneration::H2,
      {EncodedFrame(TIcnGeneration::H2, Record(-2, -1, 3, 2, kFillOnlyBit | 1), pixels, true),
       EncodedFrame(TIcnGeneration::H2, Record(-2, -1, 1, 1), {7})});
  const TArchiveFrames frames = ReadArchiveFrames(archive, TIcnGeneration::H2, "a.icn");
  TSheetOptions options;
  options.Layout.Columns = 2;
  const TSheet sheet = ComposeSheet(frames, TestPalette(), options);
  EXPECT_EQ(sheet.Description.Frames[0].Bits, kFillOnlyBit | 1);
  EXPECT_FALSE(sheet.Description.Frames[0].Trimmed);  // the cell is the whole union
  EXPECT_TRUE(sheet.Description.Frames[1].Trimmed);
  // Two slots of 3 x 2 side by side: fill-only pixels are index 5.
  ASSERT_EQ(sheet.Image.Width(), 6);
  ASSERT_EQ(sheet.Image.Height(), 2);
  const TBytes top(sheet.Image.RowAddress(0), sheet.Image.RowAddress(0) + 6);
  const TBytes bottom(sheet.Image.RowAddress(1), sheet.Image.RowAddress(1) + 6);
  EXPECT_EQ(top, (TBytes{5, 5, 5, 7, 0, 0}));
  EXPECT_EQ(bottom, (TBytes{0, 5, 5, 0, 0, 0}));
}

TEST(SheetRoundTrip, SheetsPackBackToTheArchiveByteForByte) {
  std::mt19937 random(99);
  struct TCase {
    TIcnGeneration Generation;
    std::string Name;
    TBytes Archive;
  };
  std::vector<TCase> cases;
  cases.push_back({TIcnGeneration::H1, "sample_h1.icn",
                   ReadBytes(TestDataPath("../../examples/sample_h1.icn"))});
  cases.push_back({TIcnGeneration::H2, "sample_h2.icn",
                   ReadBytes(TestDataPath("../../examples/sample_h2.icn"))});
  for (const TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    cases.push_back({generation, "none.icn", TBytes(6, 0)});
    cases.push_back(
        {generation, "one.icn",
         BuildArchive(generation, {EncodedFrame(generation, Record(3, 4, 1, 1), {1})})});
    cases.push_back(
        {generation, "blank.icn",
         BuildArchive(generation, {EncodedFrame(generation, Record(3, 4, 0, 0), {}),
                                   EncodedFrame(generation, Record(-5, 9, 4, 0), {})})});
    for (int n = 0; n < 10; ++n) {
      cases.push_back({generation, ZtFormat("r%d.icn", n),
                       MixedArchive(random, generation, 1 + random() % 24)});
    }
  }
  cases.push_back(
      {TIcnGeneration::H1, "font.icn", MixedArchive(random, TIcnGeneration::H1, 12, true)});
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    const TArchiveFrames frames = ReadArchiveFrames(test.Archive, test.Generation, test.Name);
    for (const TSheetOptions& options : AllOptions()) {
      SCOPED_TRACE(OptionsText(options));
      const TSheet sheet = ComposeSheet(frames, TestPalette(), options);
      const TSheetDescription description = ThroughJson(sheet.Description);
      EXPECT_EQ(description.Generation, test.Generation);
      EXPECT_EQ(description.Archive, test.Name);
      EXPECT_EQ(PackSheet(description, sheet.Image, "sheet.png"), test.Archive);
    }
  }
}

TEST(SheetRoundTrip, EditedSheetsPackWhatWasPainted) {
  const TIcnGeneration h2 = TIcnGeneration::H2;
  // Two frames: 2 x 2 at (0, 0) and 2 x 1 at (4, 3); union 6 x 4 at (0, 0).
  const TBytes archive = BuildArchive(h2, {EncodedFrame(h2, Record(0, 0, 2, 2), {1, 2, 3, 4}),
                                           EncodedFrame(h2, Record(4, 3, 2, 1), {5, 6})});
  const TArchiveFrames frames = ReadArchiveFrames(archive, h2, "e.icn");

  // Trimmed: a pixel repainted inside its cell changes that pixel only.
  TSheet sheet = ComposeSheet(frames, TestPalette(), TSheetOptions{});
  const TSheetFrame& first = sheet.Description.Frames[0];
  sheet.Image.RowAddress(first.Frame.Top + 1)[first.Frame.Left] = 9;
  EXPECT_EQ(PackSheet(sheet.Description, sheet.Image, "s.png"),
            BuildArchive(h2, {EncodedFrame(h2, Record(0, 0, 2, 2), {1, 2, 9, 4}),
                              EncodedFrame(h2, Record(4, 3, 2, 1), {5, 6})}));

  // Untrimmed: painting beside frame 1 in its cell grows its rectangle;
  // erasing keeps the rectangle.
  TSheetOptions untrimmed;
  untrimmed.Untrimmed = true;
  sheet = ComposeSheet(frames, TestPalette(), untrimmed);
  const TSheetFrame& second = sheet.Description.Frames[1];
  sheet.Image.RowAddress(second.Frame.Top + 1)[second.Frame.Left + 3] = 8;  // union (3, 1)
  const TSheetFrame& zeroth = sheet.Description.Frames[0];
  sheet.Image.RowAddress(zeroth.Frame.Top)[zeroth.Frame.Left] = 0;
  EXPECT_EQ(PackSheet(sheet.Description, sheet.Image, "s.png"),
            BuildArchive(h2, {EncodedFrame(h2, Record(0, 0, 2, 2), {0, 2, 3, 4}),
                              EncodedFrame(h2, Record(3, 1, 3, 3), {8, 0, 0, 0, 0, 0, 0, 5, 6})}));
}

TEST(SheetRoundTrip, DamagedSheetsGetClearErrors) {
  const TIcnGeneration h1 = TIcnGeneration::H1;
  const TBytes archive = BuildArchive(h1, {EncodedFrame(h1, Record(0, 0, 2, 2), {1, 2, 3, 4}),
                                           EncodedFrame(h1, Record(1, 1, 3, 1), {5, 6, 7})});
  const TArchiveFrames frames = ReadArchiveFrames(archive, h1, "d.icn");
  TSheetOptions options;
  options.Layout.Padding = 1;
  options.Layout.Columns = 2;
  const TSheet sheet = ComposeSheet(frames, TestPalette(), options);
  ASSERT_EQ(sheet.Image.Width(), 1 + 2 * 4);
  ASSERT_EQ(sheet.Image.Height(), 1 + 3);

  // An image of another size than the JSON says.
  TIndexedImage other;
  other.Create8Bit(8, 7, TestPalette());
  EXPECT_EQ(MessageOf([&] { PackSheet(sheet.Description, other, "s.png"); }),
            "s.png: the image is 8 x 7 pixels, but the sheet's JSON says 9 x 4");

  // A pixel painted right of frame 0's cell (1, 1, 2 x 2), in the padding.
  TIndexedImage edited = sheet.Image;
  edited.RowAddress(2)[3] = 4;
  EXPECT_EQ(MessageOf([&] { PackSheet(sheet.Description, edited, "s.png"); }),
            "s.png: pixel (3, 2) lies outside every frame's cell: frame 0 (\"0000\") was "
            "painted past its cell (1, 1, 2 x 2)");
  // ... and one below frame 1's cell (5, 1, 3 x 1).
  edited = sheet.Image;
  edited.RowAddress(3)[7] = 4;
  EXPECT_EQ(MessageOf([&] { PackSheet(sheet.Description, edited, "s.png"); }),
            "s.png: pixel (7, 3) lies outside every frame's cell: frame 1 (\"0001\") was "
            "painted past its cell (5, 1, 3 x 1)");

  // A cell past the sheet's edge, a rectangle outside its cell, a record
  // that no longer fits its fields.
  TSheetDescription description = sheet.Description;
  description.Frames[1].Frame.Left = 7;
  EXPECT_EQ(MessageOf([&] { PackSheet(description, sheet.Image, "s.png"); }),
            "frame 1 (\"0001\"): its cell (7, 1, 3 x 1) lies outside the 9 x 4 sheet");
  description = sheet.Description;
  description.Frames[1].Left = 2;
  EXPECT_EQ(MessageOf([&] { PackSheet(description, sheet.Image, "s.png"); }),
            "frame 1 (\"0001\"): its rectangle does not lie inside its cell");
  description = sheet.Description;
  description.X = 32767;
  description.Frames[0].Left = 32767;
  description.Frames[1].Left = 32767 + 1;
  EXPECT_EQ(MessageOf([&] { PackSheet(description, sheet.Image, "s.png"); }),
            "frame 1 (\"0001\"): Frame out of range");
}

TEST(SheetRoundTrip, FramesWithoutPixelsMakeTransparentSheets) {
  // The union rectangle still spans the empty frames' corners (as the frame
  // folder's bitmaps do): (1, 1) to (7, 4). Trimmed, nothing is drawn and the
  // sheet is one transparent pixel; untrimmed, every cell is that union.
  for (const TIcnGeneration generation : {TIcnGeneration::H1, TIcnGeneration::H2}) {
    const TBytes archive =
        BuildArchive(generation, {EncodedFrame(generation, Record(3, 4, 0, 0), {}),
                                  EncodedFrame(generation, Record(1, 1, 6, 0), {})});
    const TArchiveFrames frames = ReadArchiveFrames(archive, generation, "z.icn");
    for (const TSheetOptions& options : AllOptions()) {
      SCOPED_TRACE(OptionsText(options));
      const TSheet sheet = ComposeSheet(frames, TestPalette(), options);
      const TSheetFrame& second = sheet.Description.Frames[1];
      EXPECT_EQ(second.Width, 6);
      EXPECT_EQ(second.Height, 0);
      if (options.Untrimmed) {
        EXPECT_EQ(second.Frame.Width, 6);
        EXPECT_EQ(second.Frame.Height, 3);
        EXPECT_EQ(second.SpriteSource, (TRectangle{0, 0, 6, 3}));
      } else {
        EXPECT_EQ(sheet.Image.Width(), 1);
        EXPECT_EQ(sheet.Image.Height(), 1);
        EXPECT_EQ(second.Frame, (TRectangle{0, 0, 0, 0}));
        EXPECT_EQ(second.SpriteSource, (TRectangle{0, 0, 0, 0}));
      }
      for (int32_t y = 0; y < sheet.Image.Height(); ++y) {
        for (int32_t x = 0; x < sheet.Image.Width(); ++x)
          EXPECT_EQ(sheet.Image.RowAddress(y)[x], 0);
      }
    }
  }
}

}  // namespace
