#include "kit/ArchiveInfo.h"

#include "format/Detect.h"
#include "format/Error.h"
#include "format/Generation.h"
#include "format/Text.h"
#include "fs/Path.h"
#include "kit/Archives.h"

nlohmann::ordered_json ArchiveInfoJson(TArchiveImage image, TIcnGeneration generation,
                                       const std::string& path) {
  const TIcnGenerationInfo& format = GenerationInfo(generation);
  const size_t count = FrameCount(image);
  nlohmann::ordered_json info;
  info["file"] = path;
  info["size"] = image.size();
  info["generation"] = GenerationName(generation);
  info["frame_count"] = count;
  if (count == 0) {
    info["rectangle"] = nullptr;
  } else {
    const TRectangle bounds = UnionRectangle(image, generation);
    info["rectangle"] = {
        {"x", bounds.Left}, {"y", bounds.Top}, {"width", bounds.Width}, {"height", bounds.Height}};
  }
  nlohmann::ordered_json frames = nlohmann::ordered_json::array();
  const std::string name = NameOfPath(path);
  for (size_t i = 0; i < count; ++i) {
    const TIcnFrame record = FrameRecordAt(image, generation, i);
    const bool fillOnly = format.FillOnly(name, image, i, record);
    const size_t offset = FrameDataAt(image, record);
    const std::optional<size_t> length =
        StreamLength(image, format.Codes, offset, MaxStreamLength(record), fillOnly);
    nlohmann::ordered_json frame;
    frame["index"] = i;
    frame["left"] = record.Left;
    frame["top"] = record.Top;
    frame["width"] = record.Width;
    frame["height"] = record.Height;
    frame["bits"] = format.BitsValue(fillOnly, record);
    frame["fill_only"] = fillOnly;
    frame["offset"] = offset;
    frame["length"] = length ? nlohmann::ordered_json(*length) : nlohmann::ordered_json(nullptr);
    frames.push_back(std::move(frame));
  }
  info["frames"] = std::move(frames);
  return info;
}

std::string ArchiveInfoTable(const nlohmann::ordered_json& info) {
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
