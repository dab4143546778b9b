// What "icnkit info" tells about an archive (icnkit/info.h): the JSON is
// made with nlohmann-json and handed out as text, the table from the same
// object.
#include "icnkit/info.h"

#include <nlohmann/json.hpp>

#include "api/Convert.h"
#include "format/Text.h"

namespace icnkit {

namespace {

nlohmann::ordered_json InfoObject(const Archive& archive, const std::string& file) {
  const size_t count = archive.FrameCount();
  nlohmann::ordered_json info;
  info["file"] = file;
  info["size"] = archive.Bytes().size();
  info["generation"] = GenerationName(archive.Generation());
  info["frame_count"] = count;
  if (count == 0) {
    info["rectangle"] = nullptr;
  } else {
    const Rect bounds = archive.Union();
    info["rectangle"] = {
        {"x", bounds.left}, {"y", bounds.top}, {"width", bounds.width}, {"height", bounds.height}};
  }
  nlohmann::ordered_json frames = nlohmann::ordered_json::array();
  for (size_t i = 0; i < count; ++i) {
    const FrameRecord record = archive.Frame(i);
    const std::optional<uint64_t> length = archive.StreamLength(i);
    nlohmann::ordered_json frame;
    frame["index"] = i;
    frame["left"] = record.left;
    frame["top"] = record.top;
    frame["width"] = record.width;
    frame["height"] = record.height;
    frame["bits"] = record.bits;
    frame["fill_only"] = record.fill_only;
    frame["offset"] = record.stream_offset;
    frame["length"] = length ? nlohmann::ordered_json(*length) : nlohmann::ordered_json(nullptr);
    frames.push_back(std::move(frame));
  }
  info["frames"] = std::move(frames);
  return info;
}

std::string Table(const nlohmann::ordered_json& info) {
  std::string text = info["file"].get<std::string>() + ": " +
                     info["generation"].get<std::string>() + ", " +
                     CountOf(info["frame_count"].get<size_t>(), "frame");
  const nlohmann::ordered_json& rectangle = info["rectangle"];
  if (!rectangle.is_null()) {
    text += ZtFormat(", rectangle %d x %d at (%d, %d)", rectangle["width"].get<int>(),
                     rectangle["height"].get<int>(), rectangle["x"].get<int>(),
                     rectangle["y"].get<int>());
  }
  text += "\n";
  if (info["frames"].empty()) return text;
  text += ZtFormat("%6s %6s %6s %6s %6s %4s %4s %10s %10s\n", "frame", "left", "top", "width",
                   "height", "bits", "fill", "offset", "length");
  for (const nlohmann::ordered_json& frame : info["frames"]) {
    const std::string length =
        frame["length"].is_null() ? "-" : std::to_string(frame["length"].get<size_t>());
    text += ZtFormat("%6zu %6d %6d %6d %6d %4d %4s %10zu %10s\n", frame["index"].get<size_t>(),
                     frame["left"].get<int>(), frame["top"].get<int>(), frame["width"].get<int>(),
                     frame["height"].get<int>(), frame["bits"].get<int>(),
                     frame["fill_only"].get<bool>() ? "yes" : "no", frame["offset"].get<size_t>(),
                     length.c_str());
  }
  return text;
}

}  // namespace

std::string InfoJson(const Archive& archive, const std::string& file) {
  return icnkit_api::Guarded([&] { return InfoObject(archive, file).dump(2); });
}

std::string InfoJsonDocument(std::span<const std::string> objects) {
  if (objects.empty()) return "[]\n";
  // Each object one level deeper: a newline inside one is always between
  // two of its values (a JSON string holds none unescaped).
  std::string text = "[";
  for (size_t i = 0; i < objects.size(); ++i) {
    text += i == 0 ? "\n  " : ",\n  ";
    for (const char c : objects[i]) {
      text += c;
      if (c == '\n') text += "  ";
    }
  }
  return text + "\n]\n";
}

std::string InfoTable(const Archive& archive, const std::string& file) {
  return icnkit_api::Guarded([&] { return Table(InfoObject(archive, file)); });
}

}  // namespace icnkit
