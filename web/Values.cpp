#include "web/Values.h"

namespace icnkit::web {

// The bytes of a Uint8Array (or any array of bytes), copied in one call.
std::vector<uint8_t> BytesOf(const val& array) {
  std::vector<uint8_t> bytes(array["length"].as<size_t>());
  val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<void>("set", array);
  return bytes;
}

// A new Uint8Array holding bytes.
val ArrayOf(std::span<const uint8_t> bytes) {
  return val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<val>("slice");
}

std::string TextOption(const val& options, const char* key, const std::string& fallback) {
  const val value = options[key];
  return value.isUndefined() || value.isNull() ? fallback : value.as<std::string>();
}

std::optional<icnkit::Generation> GenerationOption(const val& options) {
  const std::string name = TextOption(options, "generation", {});
  if (name.empty()) return std::nullopt;
  return icnkit::ParseGeneration(name);
}

val PaletteBytes(const icnkit::Palette& palette) {
  std::vector<uint8_t> bytes;
  for (const icnkit::Colour& colour : palette) {
    bytes.insert(bytes.end(), {colour.red, colour.green, colour.blue});
  }
  return ArrayOf(bytes);
}

// options.palette: colours, 3 bytes each (what readPalette gives); none:
// the generation's.
icnkit::Palette PaletteOption(const val& options) {
  const val value = options["palette"];
  if (value.isUndefined() || value.isNull()) return {};
  const std::vector<uint8_t> bytes = BytesOf(value);
  if (bytes.size() % 3 != 0 || bytes.size() > 768) {
    throw icnkit::Error(icnkit::ErrorKind::InvalidInput,
                        "palette: up to 256 colours of 3 bytes expected, " +
                            std::to_string(bytes.size()) + " bytes given");
  }
  icnkit::Palette palette(bytes.size() / 3);
  for (size_t i = 0; i < palette.size(); ++i) {
    palette[i] = {bytes[i * 3], bytes[i * 3 + 1], bytes[i * 3 + 2]};
  }
  return palette;
}

val FilesOf(const std::vector<icnkit::NamedFile>& files) {
  val list = val::array();
  for (const icnkit::NamedFile& file : files) {
    val entry = val::object();
    entry.set("name", file.name);
    entry.set("bytes", ArrayOf(file.bytes));
    list.call<void>("push", entry);
  }
  return list;
}

std::vector<icnkit::NamedFile> NamedFilesOf(const val& list) {
  std::vector<icnkit::NamedFile> files(list["length"].as<size_t>());
  for (size_t i = 0; i < files.size(); ++i) {
    files[i].name = list[i]["name"].as<std::string>();
    files[i].bytes = BytesOf(list[i]["bytes"]);
  }
  return files;
}

// What the library tells along the way goes to options.warning, if any.
icnkit::WarningHandler WarningOption(const val& options) {
  const val warning = options["warning"];
  if (warning.isUndefined() || warning.isNull()) return {};
  return [warning](const std::string& message) { warning(message); };
}

}  // namespace icnkit::web
