// The sheet's JSON: checked against docs/sheet.schema.json, the published
// "JSON array" layout written down as a JSON schema (keys, types, ranges),
// by a small validator of the schema keywords that file uses; and the
// reader's messages for damaged documents.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "format/Error.h"
#include "sheet/SheetCompose.h"
#include "tests/TestSupport.h"
#include "tests/sheet/SheetTestSupport.h"

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
    const bool ok = (type == "object" && value.is_object()) || (type == "array" && value.is_array()) ||
                    (type == "string" && value.is_string()) ||
                    (type == "integer" && value.is_number_integer()) ||
                    (type == "number" && value.is_number()) ||
                    (type == "boolean" && value.is_boolean());
    if (!ok) return path + ": not of type " + type;
  }
  if (schema.contains("const") && value != schema["const"]) return path + ": not " + schema["const"].dump();
  if (schema.contains("enum") && std::find(schema["enum"].begin(), schema["enum"].end(), value) == schema["enum"].end()) {
    return path + ": not one of " + schema["enum"].dump();
  }
  if (schema.contains("minimum") && value.is_number() && value < schema["minimum"]) return path + ": too small";
  if (schema.contains("maximum") && value.is_number() && value > schema["maximum"]) return path + ": too large";
  if (schema.contains("required")) {
    for (const json& key : schema["required"]) {
      if (!value.contains(key.get<std::string>())) return path + "." + key.get<std::string>() + ": missing";
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
      const std::string found = Violation(root, schema["items"], value[i], path + "[" + std::to_string(i) + "]");
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
                                                "spriteSourceSize", "sourceSize", "duration", "Left",
                                                "Top", "Width", "Height", "Bits"}));
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
  const ordered_json h2 = ordered_json::parse(SampleSheetText("sample_h2.icn", TIcnGeneration::H2, false));
  EXPECT_EQ(h2["frames"][0].dump(),
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

}  // namespace
