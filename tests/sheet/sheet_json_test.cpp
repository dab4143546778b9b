// The sheet's JSON: checked against docs/sheet.schema.json, the published
// "JSON array" layout written down as a JSON schema (keys, types, ranges),
// by a small validator of the schema keywords that file uses; the reader's
// messages for damaged documents, those once mishandled
// (tests/data/corrupt/sheet_*.json) included; and the sizes a document may
// claim.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "format/Error.h"
#include "format/IcnArchive.h"
#include "image/IndexedImage.h"
#include "sheet/SheetCompose.h"
#include "sheet/SheetJson.h"
#include "sheet/SheetPack.h"
#include "tests/CorruptReplay.h"
#include "tests/TestSupport.h"
#include "tests/sheet/SheetTestSupport.h"

using namespace icnkit;

using namespace sheettest;
using nlohmann::json;
using nlohmann::ordered_json;

namespace {

json Schema() {
  return json::parse(ReadText(TestDataPath("../../docs/sheet.schema.json")));
}

// Validates value against schema (type, required, properties, items,
// minimum, maximum, const, enum, local $ref); the first violation's path and
// what is wrong, or "" when the value is valid.
std::string Violation(const json& root, const json& schema, const json& value,
                      const std::string& path) {
  if (schema.contains("$ref")) {
    const std::string ref = schema["$ref"];
    return Violation(root, root.at(json::json_pointer(ref.substr(1))), value, path);
  }
  if (schema.contains("type")) {
    const std::string type = schema["type"];
    const bool ok =
        (type == "object" && value.is_object()) || (type == "array" && value.is_array()) ||
        (type == "string" && value.is_string()) ||
        (type == "integer" && value.is_number_integer()) ||
        (type == "number" && value.is_number()) || (type == "boolean" && value.is_boolean());
    if (!ok) return path + ": not of type " + type;
  }
  if (schema.contains("const") && value != schema["const"])
    return path + ": not " + schema["const"].dump();
  if (schema.contains("enum") &&
      std::find(schema["enum"].begin(), schema["enum"].end(), value) == schema["enum"].end()) {
    return path + ": not one of " + schema["enum"].dump();
  }
  if (schema.contains("minimum") && value.is_number() && value < schema["minimum"])
    return path + ": too small";
  if (schema.contains("maximum") && value.is_number() && value > schema["maximum"])
    return path + ": too large";
  if (schema.contains("required")) {
    for (const json& key : schema["required"]) {
      if (!value.contains(key.get<std::string>()))
        return path + "." + key.get<std::string>() + ": missing";
    }
  }
  if (schema.contains("properties") && value.is_object()) {
    for (const auto& [key, sub] : schema["properties"].items()) {
      if (!value.contains(key)) continue;
      const std::string found = Violation(root, sub, value[key], path + "." + key);
      if (!found.empty()) return found;
    }
  }
  if (schema.contains("items") && value.is_array()) {
    for (size_t i = 0; i < value.size(); ++i) {
      const std::string found =
          Violation(root, schema["items"], value[i], path + "[" + std::to_string(i) + "]");
      if (!found.empty()) return found;
    }
  }
  return "";
}

std::string Violation(const json& document) {
  const json schema = Schema();
  return Violation(schema, schema, document, "$");
}

std::string SampleSheetText(const std::string& sample, TIcnGeneration generation, bool untrimmed) {
  const TBytes archive = ReadBytes(TestDataPath("../../examples/" + sample));
  const TArchiveFrames frames = ReadArchiveFrames(archive, generation, sample);
  TSheetOptions options;
  options.Untrimmed = untrimmed;
  options.Image = "sample.png";
  options.Version = "1.3.1";
  return WriteSheetJson(ComposeSheet(frames, TestPalette(), options).Description);
}

json SampleSheetJson(const std::string& sample, TIcnGeneration generation, bool untrimmed) {
  return json::parse(SampleSheetText(sample, generation, untrimmed));
}

TEST(SheetJson, SheetsFollowThePublishedLayout) {
  for (const bool untrimmed : {false, true}) {
    for (const json& document : {SampleSheetJson("sample_h1.icn", TIcnGeneration::H1, untrimmed),
                                 SampleSheetJson("sample_h2.icn", TIcnGeneration::H2, untrimmed)}) {
      EXPECT_EQ(Violation(document), "");
      ASSERT_EQ(document["frames"].size(), 5u);
      // The layout's keys in the order the editors write them, then ours.
      std::vector<std::string> keys;
      const ordered_json ordered =
          ordered_json::parse(SampleSheetText("sample_h1.icn", TIcnGeneration::H1, untrimmed));
      for (const auto& item : ordered["frames"][0].items()) keys.push_back(item.key());
      EXPECT_EQ(keys, (std::vector<std::string>{"filename", "frame", "rotated", "trimmed",
                                                "spriteSourceSize", "sourceSize", "duration",
                                                "Left", "Top", "Width", "Height", "Bits"}));
      const json& meta = document["meta"];
      EXPECT_EQ(meta["app"], "icnkit");
      EXPECT_EQ(meta["version"], "1.3.1");
      EXPECT_EQ(meta["image"], "sample.png");
      EXPECT_EQ(meta["format"], "I8");
      EXPECT_EQ(meta["scale"], "1");
      EXPECT_EQ(document["frames"][4]["Bits"].get<int>() & kFillOnlyBit, kFillOnlyBit);
      EXPECT_EQ(document["frames"][0]["duration"], 100);
      EXPECT_EQ(document["frames"][0]["trimmed"], !untrimmed);
    }
  }
  // The sample H2 sheet, whole: the first ball, 17 x 17, lifted 24 pixels.
  const ordered_json h2 =
      ordered_json::parse(SampleSheetText("sample_h2.icn", TIcnGeneration::H2, false));
  EXPECT_EQ(
      h2["frames"][0].dump(),
      "{\"filename\":\"0000\",\"frame\":{\"x\":0,\"y\":0,\"w\":17,\"h\":17},\"rotated\":false,"
      "\"trimmed\":true,\"spriteSourceSize\":{\"x\":2,\"y\":0,\"w\":17,\"h\":17},"
      "\"sourceSize\":{\"w\":21,\"h\":44},\"duration\":100,\"Left\":-8,\"Top\":-41,"
      "\"Width\":17,\"Height\":17,\"Bits\":0}");
  EXPECT_EQ(h2["meta"]["Position"].dump(), "{\"X\":-10,\"Y\":-41}");
}

TEST(SheetJson, TheSchemaCheckCatchesWrongKeysAndTypes) {
  const json good = SampleSheetJson("sample_h1.icn", TIcnGeneration::H1, false);
  json bad = good;
  bad["frames"][2].erase("spriteSourceSize");
  EXPECT_EQ(Violation(bad), "$.frames[2].spriteSourceSize: missing");
  bad = good;
  bad["meta"]["scale"] = 1;
  EXPECT_EQ(Violation(bad), "$.meta.scale: not of type string");
  bad = good;
  bad["frames"][0]["rotated"] = true;
  EXPECT_EQ(Violation(bad), "$.frames[0].rotated: not false");
  bad = good;
  bad["frames"][1]["frame"]["w"] = 2.5;
  EXPECT_EQ(Violation(bad), "$.frames[1].frame.w: not of type integer");
  bad = good;
  bad["frames"] = json::object();
  EXPECT_EQ(Violation(bad), "$.frames: not of type array");
}

TEST(SheetJson, ReadingKeepsEveryFieldAndNamesWhatIsWrong) {
  const TBytes archive = ReadBytes(TestDataPath("../../examples/sample_h2.icn"));
  const TArchiveFrames frames = ReadArchiveFrames(archive, TIcnGeneration::H2, "sample_h2.icn");
  TSheetOptions options;
  options.Image = "s.png";
  const TSheetDescription written = ComposeSheet(frames, TestPalette(), options).Description;
  const std::string text = WriteSheetJson(written);
  const TSheetDescription read = ReadSheetJson(text, "s.json");
  ASSERT_EQ(read.Frames.size(), written.Frames.size());
  for (size_t i = 0; i < read.Frames.size(); ++i) {
    EXPECT_EQ(read.Frames[i].Filename, written.Frames[i].Filename);
    EXPECT_EQ(read.Frames[i].Frame, written.Frames[i].Frame);
    EXPECT_EQ(read.Frames[i].SpriteSource, written.Frames[i].SpriteSource);
    EXPECT_EQ(read.Frames[i].Left, written.Frames[i].Left);
    EXPECT_EQ(read.Frames[i].Top, written.Frames[i].Top);
    EXPECT_EQ(read.Frames[i].Width, written.Frames[i].Width);
    EXPECT_EQ(read.Frames[i].Height, written.Frames[i].Height);
    EXPECT_EQ(read.Frames[i].Bits, written.Frames[i].Bits);
  }
  EXPECT_EQ(read.Image, "s.png");
  EXPECT_EQ(read.Archive, "sample_h2.icn");
  EXPECT_EQ(read.Width, written.Width);
  EXPECT_EQ(read.Height, written.Height);
  EXPECT_EQ(read.X, -10);
  EXPECT_EQ(read.Y, -41);

  const json good = json::parse(text);
  const auto message = [](const json& document) {
    return MessageOf([&] { ReadSheetJson(document.dump(), "s.json"); });
  };
  json bad = good;
  bad["frames"][3].erase("Left");
  EXPECT_EQ(message(bad), "s.json: frames[3].Left is missing");
  bad = good;
  bad["frames"][1]["frame"]["x"] = "7";
  EXPECT_EQ(message(bad), "s.json: frames[1].frame.x must be an integer");
  bad = good;
  bad["frames"][1]["frame"]["y"] = -1;
  EXPECT_EQ(message(bad), "s.json: frames[1].frame.y must lie within 0..2147483647");
  bad = good;
  bad["frames"][0]["Top"] = 40000;
  EXPECT_EQ(message(bad), "s.json: frames[0].Top must lie within -32768..32767");
  bad = good;
  bad["frames"][0]["Bits"] = uint64_t(1) << 63;
  EXPECT_EQ(message(bad), "s.json: frames[0].Bits must lie within 0..255");
  bad = good;
  bad["frames"][2]["rotated"] = true;
  EXPECT_EQ(message(bad), "s.json: frames[2]: rotated frames are not supported");
  bad = good;
  bad["frames"][2]["rotated"] = 0;
  EXPECT_EQ(message(bad), "s.json: frames[2].rotated must be true or false");
  bad = good;
  bad["frames"] = json::object();
  EXPECT_EQ(message(bad), "s.json: frames must be an array (the \"JSON array\" layout)");
  bad = good;
  bad["meta"]["image"] = "../x.png";
  EXPECT_EQ(message(bad), "s.json: meta.image must be a plain file name, without a folder");
  bad = good;
  bad["meta"]["Archive"] = "C:x.icn";
  EXPECT_EQ(message(bad), "s.json: meta.Archive must be a plain file name, without a folder");
  bad = good;
  bad["meta"]["Generation"] = "H3";
  EXPECT_EQ(message(bad), "s.json: meta.Generation must be \"H1\" or \"H2\"");
  bad = good;
  bad["meta"]["size"]["w"] = 0;
  EXPECT_EQ(message(bad), "s.json: meta.size.w must lie within 1..2147483647");
  bad = good;
  bad["meta"].erase("Position");
  EXPECT_EQ(message(bad), "s.json: meta.Position is missing");
  EXPECT_EQ(message(json::array()), "s.json: not a sheet: the document must be an object");
  EXPECT_EQ(MessageOf([&] { ReadSheetJson("{\"frames\": [", "s.json"); }),
            "s.json: not a JSON document (at byte 13)");
  // Deep nesting is an error, not a crash.
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_EQ(MessageOf([&] { ReadSheetJson(deep, "s.json"); }),
            "s.json: not a sheet: the document must be an object");
  // Keys the layout's other writers add are ignored.
  json extra = good;
  extra["meta"]["frameTags"] = json::array();
  extra["frames"][0]["pivot"] = {{"x", 0.5}, {"y", 0.5}};
  EXPECT_NO_THROW(ReadSheetJson(extra.dump(), "s.json"));
}

std::string ReadMessage(const std::string& text) {
  return MessageOf([&] { ReadSheetJson(text, "s.json"); });
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

TEST(SheetJson, DamagedDocumentsOfTheCorruptFolderEndInTheirMessages) {
  const std::map<std::string, std::string> expected = {
      // A frame that is a number of 330 digits, beyond a double: the JSON
      // parser's own exception passed through, unnamed.
      {"sheet_number_overflow.json", "s.json: not a JSON document (a number beyond any range)"},
      // A cell 0 pixels wide and 1 high: its row was copied into the cell
      // image, which has no storage (memcpy to a null pointer).
      {"sheet_zero_width_cell.json", "2 frames"},
  };
  ReplayCorruptFiles("sheet_", expected, [&](const std::string& name, const std::string& outcome) {
    EXPECT_EQ(PackOutcome(ReadText(TestDataPath("corrupt/" + name))), outcome);
  });
}

TEST(SheetJson, ACellWithoutWidthKeepsItsRecordAndTheOtherFramesTheirPixels) {
  const TSheetDescription sheet =
      ReadSheetJson(ReadText(TestDataPath("corrupt/sheet_zero_width_cell.json")), "s.json");
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

TEST(SheetJson, NumbersBeyondADoubleAreNamedWhereverTheyStand) {
  const std::string beyond = "s.json: not a JSON document (a number beyond any range)";
  EXPECT_EQ(ReadMessage("{\"frames\": [1e400]}"), beyond);
  EXPECT_EQ(ReadMessage("{\"meta\": {\"size\": {\"w\": -1e309}}}"), beyond);
  // Large but finite: a number of the wrong kind, named by its key.
  EXPECT_EQ(ReadMessage("{\"frames\": [], \"meta\": {\"version\": \"1\", \"image\": \"a.png\", "
                        "\"size\": {\"w\": 1e300, \"h\": 1}}}"),
            "s.json: meta.size.w must be an integer");
}

TEST(SheetJson, HugeSizesAreComparedWithTheImageBeforeAnythingIsAllocated) {
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
