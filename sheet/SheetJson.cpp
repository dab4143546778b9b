#include "sheet/SheetJson.h"

#include <limits>
#include <nlohmann/json.hpp>

#include "format/Error.h"

namespace icnkit {

namespace {

using TOrderedJson = nlohmann::ordered_json;
using TJson = nlohmann::json;

constexpr const char* kApp = "icnkit";

TOrderedJson Rect(const TRectangle& rect) {
  return {{"x", rect.Left}, {"y", rect.Top}, {"w", rect.Width}, {"h", rect.Height}};
}

TOrderedJson Size(int32_t w, int32_t h) {
  return {{"w", w}, {"h", h}};
}

// The checked reading of one document: every failure names the file and
// the key's path in it.
class TSheetReader {
 public:
  explicit TSheetReader(const std::string& displayName) : Name_(displayName) {}

  [[noreturn]] void Fail(const std::string& what) const { throw TZtError(Name_ + ": " + what); }

  const TJson& Member(const TJson& object, const char* key, const std::string& path) const {
    const auto found = object.find(key);
    if (found == object.end()) Fail(Join(path, key) + " is missing");
    return *found;
  }

  const TJson& Object(const TJson& object, const char* key, const std::string& path) const {
    const TJson& value = Member(object, key, path);
    if (!value.is_object()) Fail(Join(path, key) + " must be an object");
    return value;
  }

  int32_t Int(const TJson& object, const char* key, const std::string& path, int64_t min,
              int64_t max) const {
    const TJson& value = Member(object, key, path);
    if (!value.is_number_integer()) Fail(Join(path, key) + " must be an integer");
    // Large positive numbers are kept unsigned: compared as such, never wrapped.
    const bool tooLarge = value.is_number_unsigned() && value.get<uint64_t>() > uint64_t(max);
    const int64_t number = tooLarge ? max : value.get<int64_t>();
    if (tooLarge || number < min || number > max) {
      Fail(ZtFormat("%s must lie within %lld..%lld", Join(path, key).c_str(),
                    static_cast<long long>(min), static_cast<long long>(max)));
    }
    return static_cast<int32_t>(number);
  }

  bool Bool(const TJson& object, const char* key, const std::string& path) const {
    const TJson& value = Member(object, key, path);
    if (!value.is_boolean()) Fail(Join(path, key) + " must be true or false");
    return value.get<bool>();
  }

  std::string String(const TJson& object, const char* key, const std::string& path) const {
    const TJson& value = Member(object, key, path);
    if (!value.is_string()) Fail(Join(path, key) + " must be a string");
    return value.get<std::string>();
  }

  // A file name beside the JSON: no folder part, not "." or "..".
  std::string FileName(const TJson& object, const char* key, const std::string& path) const {
    std::string name = String(object, key, path);
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\:") != std::string::npos || name.find('\0') != std::string::npos) {
      Fail(Join(path, key) + " must be a plain file name, without a folder");
    }
    return name;
  }

  TRectangle Rect(const TJson& object, const char* key, const std::string& path) const {
    const TJson& rect = Object(object, key, path);
    const std::string at = Join(path, key);
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    return {Int(rect, "x", at, 0, kMax), Int(rect, "y", at, 0, kMax), Int(rect, "w", at, 0, kMax),
            Int(rect, "h", at, 0, kMax)};
  }

 private:
  static std::string Join(const std::string& path, const char* key) {
    return path.empty() ? key : path + "." + key;
  }
  const std::string& Name_;
};

TSheetFrame ReadFrame(const TSheetReader& reader, const TJson& entry, const std::string& path) {
  if (!entry.is_object()) reader.Fail(path + " must be an object");
  constexpr int64_t kMinPosition = std::numeric_limits<int16_t>::min();
  constexpr int64_t kMaxPosition = std::numeric_limits<int16_t>::max();
  constexpr int64_t kMaxSize = std::numeric_limits<uint16_t>::max();
  TSheetFrame frame;
  frame.Filename = reader.String(entry, "filename", path);
  frame.Frame = reader.Rect(entry, "frame", path);
  if (reader.Bool(entry, "rotated", path)) reader.Fail(path + ": rotated frames are not supported");
  frame.SpriteSource = reader.Rect(entry, "spriteSourceSize", path);
  frame.Left = reader.Int(entry, "Left", path, kMinPosition, kMaxPosition);
  frame.Top = reader.Int(entry, "Top", path, kMinPosition, kMaxPosition);
  frame.Width = reader.Int(entry, "Width", path, 0, kMaxSize);
  frame.Height = reader.Int(entry, "Height", path, 0, kMaxSize);
  frame.Bits = reader.Int(entry, "Bits", path, 0, 255);
  return frame;
}

}  // namespace

std::string WriteSheetJson(const TSheetDescription& sheet) {
  TOrderedJson frames = TOrderedJson::array();
  for (const TSheetFrame& frame : sheet.Frames) {
    frames.push_back({{"filename", frame.Filename},
                      {"frame", Rect(frame.Frame)},
                      {"rotated", false},
                      {"trimmed", frame.Trimmed},
                      {"spriteSourceSize", Rect(frame.SpriteSource)},
                      {"sourceSize", Size(frame.SourceWidth, frame.SourceHeight)},
                      {"duration", frame.Duration},
                      {"Left", frame.Left},
                      {"Top", frame.Top},
                      {"Width", frame.Width},
                      {"Height", frame.Height},
                      {"Bits", frame.Bits}});
  }
  TOrderedJson meta = {{"app", kApp},
                       {"version", sheet.Version},
                       {"image", sheet.Image},
                       {"format", "I8"},
                       {"size", Size(sheet.Width, sheet.Height)},
                       {"scale", "1"},
                       {"Generation", sheet.Generation == TIcnGeneration::H1 ? "H1" : "H2"},
                       {"Archive", sheet.Archive},
                       {"Position", {{"X", sheet.X}, {"Y", sheet.Y}}}};
  TOrderedJson document = {{"frames", std::move(frames)}, {"meta", std::move(meta)}};
  // Names come from the file system and need not be UTF-8: replaced, not
  // refused, in the JSON; the way back takes the archive's name from it.
  return document.dump(1, ' ', false, TOrderedJson::error_handler_t::replace) + "\n";
}

TSheetDescription ReadSheetJson(std::string_view text, const std::string& displayName) {
  const TSheetReader reader(displayName);
  TJson document;
  try {
    document = TJson::parse(text.begin(), text.end());
  } catch (const TJson::parse_error& error) {
    reader.Fail(ZtFormat("not a JSON document (at byte %zu)", error.byte));
  } catch (const TJson::out_of_range&) {
    // The parser's word for a number beyond a double (1e400).
    reader.Fail("not a JSON document (a number beyond any range)");
  }
  if (!document.is_object()) reader.Fail("not a sheet: the document must be an object");
  TSheetDescription sheet;
  const TJson& frames = reader.Member(document, "frames", "");
  if (!frames.is_array()) reader.Fail("frames must be an array (the \"JSON array\" layout)");
  if (frames.size() > kIcnMaxFrames) reader.Fail(ZtFormat("Too many frames: %zu", frames.size()));
  for (size_t i = 0; i < frames.size(); ++i) {
    sheet.Frames.push_back(ReadFrame(reader, frames[i], ZtFormat("frames[%zu]", i)));
  }
  const TJson& meta = reader.Object(document, "meta", "");
  sheet.Version = reader.String(meta, "version", "meta");
  sheet.Image = reader.FileName(meta, "image", "meta");
  const TJson& size = reader.Object(meta, "size", "meta");
  constexpr int64_t kMaxSide = std::numeric_limits<int32_t>::max();
  sheet.Width = reader.Int(size, "w", "meta.size", 1, kMaxSide);
  sheet.Height = reader.Int(size, "h", "meta.size", 1, kMaxSide);
  const std::string generation = reader.String(meta, "Generation", "meta");
  if (generation != "H1" && generation != "H2")
    reader.Fail("meta.Generation must be \"H1\" or \"H2\"");
  sheet.Generation = generation == "H1" ? TIcnGeneration::H1 : TIcnGeneration::H2;
  sheet.Archive = reader.FileName(meta, "Archive", "meta");
  const TJson& position = reader.Object(meta, "Position", "meta");
  constexpr int64_t kMinPosition = std::numeric_limits<int16_t>::min();
  constexpr int64_t kMaxPosition = std::numeric_limits<int16_t>::max();
  sheet.X = reader.Int(position, "X", "meta.Position", kMinPosition, kMaxPosition);
  sheet.Y = reader.Int(position, "Y", "meta.Position", kMinPosition, kMaxPosition);
  return sheet;
}

}  // namespace icnkit
