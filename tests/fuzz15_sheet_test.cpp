// Sheets' JSON the fuzzing of `icnkit pack --sheet` found mishandled
// (tests/data/corrupt/sheet_*.json), and the sizes a document may claim.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "format/Error.h"
#include "format/IcnArchive.h"
#include "image/IndexedImage.h"
#include "sheet/SheetJson.h"
#include "sheet/SheetPack.h"
#include "tests/CorruptReplay.h"
#include "tests/TestSupport.h"

namespace {

std::string ReadMessage(const std::string& text) {
  return MessageOf([&] { ReadSheetJson(text, "s.json"); });
}

std::string Text(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// The blank image of the sheet's size (index 0 everywhere).
TIndexedImage BlankSheet(const TSheetDescription& sheet) {
  TIndexedImage image;
  image.Create8Bit(sheet.Width, sheet.Height, std::vector<TRgbQuad>(256));
  return image;
}

// What `icnkit pack --sheet` makes of the document with a blank image of
// its size: the message, or the frame count of the archive.
std::string PackOutcome(const std::string& text) {
  try {
    const TSheetDescription sheet = ReadSheetJson(text, "s.json");
    const std::vector<uint8_t> archive = PackSheet(sheet, BlankSheet(sheet), "s.png");
    ValidateArchive(archive, sheet.Generation);
    return ZtFormat("%u frames", unsigned{FrameCount(archive)});
  } catch (const TZtError& error) {
    return error.what();
  }
}

TEST(Fuzz15Sheet, DamagedDocumentsOfTheCorruptFolderEndInTheirMessages) {
  const std::map<std::string, std::string> expected = {
      // A frame that is a number of 330 digits, beyond a double: the JSON
      // parser's own exception passed through, unnamed.
      {"sheet_number_overflow.json", "s.json: not a JSON document (a number beyond any range)"},
      // A cell 0 pixels wide and 1 high: its row was copied into the cell
      // image, which has no storage (memcpy to a null pointer).
      {"sheet_zero_width_cell.json", "2 frames"},
  };
  ReplayCorruptFiles("sheet_", expected, [&](const std::string& name, const std::string& outcome) {
    EXPECT_EQ(PackOutcome(Text(TestDataPath("corrupt/" + name))), outcome);
  });
}

TEST(Fuzz15Sheet, ACellWithoutWidthKeepsItsRecordAndTheOtherFramesTheirPixels) {
  const TSheetDescription sheet =
      ReadSheetJson(Text(TestDataPath("corrupt/sheet_zero_width_cell.json")), "s.json");
  ASSERT_EQ(sheet.Frames.size(), 2u);
  EXPECT_EQ(sheet.Frames[0].Frame, (TRectangle{0, 0, 0, 1}));
  // Frame 1 is a fill-only H2 frame, 6 x 1 at (4, 9): its cell is row 1
  // of the 7 x 2 sheet, whose left edge lies at x 3 (Position.X 1 and
  // spriteSourceSize.x 2).
  TIndexedImage image = BlankSheet(sheet);
  for (int32_t x = 1; x < 7; ++x) image.RowAddress(1)[x] = 5;
  const std::vector<uint8_t> archive = PackSheet(sheet, image, "s.png");
  ValidateArchive(archive, TIcnGeneration::H2);
  const TIcnFrame empty = FrameRecordAt(archive, TIcnGeneration::H2, 0);
  const TIcnFrame shadow = FrameRecordAt(archive, TIcnGeneration::H2, 1);
  EXPECT_EQ(
      ZtFormat("%d %d %d %d %d", empty.Left, empty.Top, empty.Width, empty.Height, empty.Bits),
      "2 3 0 1 0");
  EXPECT_EQ(
      ZtFormat("%d %d %d %d %d", shadow.Left, shadow.Top, shadow.Width, shadow.Height, shadow.Bits),
      "4 9 6 1 32");
}

TEST(Fuzz15Sheet, NumbersBeyondADoubleAreNamedWhereverTheyStand) {
  const std::string beyond = "s.json: not a JSON document (a number beyond any range)";
  EXPECT_EQ(ReadMessage("{\"frames\": [1e400]}"), beyond);
  EXPECT_EQ(ReadMessage("{\"meta\": {\"size\": {\"w\": -1e309}}}"), beyond);
  // Large but finite: a number of the wrong kind, named by its key.
  EXPECT_EQ(ReadMessage("{\"frames\": [], \"meta\": {\"version\": \"1\", \"image\": \"a.png\", "
                        "\"size\": {\"w\": 1e300, \"h\": 1}}}"),
            "s.json: meta.size.w must be an integer");
}

TEST(Fuzz15Sheet, HugeSizesAreComparedWithTheImageBeforeAnythingIsAllocated) {
  TSheetDescription sheet;
  sheet.Image = "a.png";
  sheet.Archive = "a.icn";
  sheet.Width = 2147483647;
  sheet.Height = 2147483647;
  TSheetFrame frame;
  frame.Filename = "0000";
  frame.Frame = {0, 0, 2147483647, 2147483647};
  sheet.Frames.push_back(frame);
  // What a document may say is read as it says.
  const TSheetDescription read = ReadSheetJson(WriteSheetJson(sheet), "s.json");
  EXPECT_EQ(read.Width, 2147483647);
  EXPECT_EQ(read.Frames.at(0).Frame, frame.Frame);
  TIndexedImage image;
  image.Create8Bit(2, 1, std::vector<TRgbQuad>(256));
  EXPECT_EQ(MessageOf([&] { PackSheet(read, image, "a.png"); }),
            "a.png: the image is 2 x 1 pixels, but the sheet's JSON says 2147483647 x 2147483647");
  // A sheet of the image's size with a cell of 2^31 - 1 pixels a side.
  sheet.Width = 2;
  sheet.Height = 1;
  sheet.Frames[0].Frame = {1, 0, 2147483647, 2147483647};
  EXPECT_EQ(
      MessageOf([&] { PackSheet(ReadSheetJson(WriteSheetJson(sheet), "s.json"), image, "a.png"); }),
      "frame 0 (\"0000\"): its cell (1, 0, 2147483647 x 2147483647) lies outside the 2 x 1 sheet");
}

}  // namespace
