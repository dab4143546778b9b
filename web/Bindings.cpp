// The module's functions (embind), each a thin call of the public API
// (include/icnkit/). They take their options as one object and are named
// "...Raw": web/module.js gives them the module's JavaScript shape
// (optional arguments, defaults). A failure reaches JavaScript as an Error
// carrying the tools' message ("Invalid archive: ...").
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "icnkit/icnkit.h"
#include "icnkit/version.h"
#include "web/Zip.h"

namespace {

using emscripten::val;

// Runs work and returns what it returns. What it raises is thrown on to
// JavaScript as an Error with the message the tools print for it, once the
// C++ exception is done with.
template <class TWork>
auto Guarded(TWork work) -> decltype(work()) {
  std::string message;
  try {
    return work();
  } catch (const std::bad_alloc&) {
    message = "Out of memory";
  } catch (const std::exception& error) {
    message = error.what();
  }
  val::global("Error").new_(message).throw_();
}

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

template <class TNumber>
TNumber NumberOption(const val& options, const char* key, TNumber fallback) {
  const val value = options[key];
  return value.isUndefined() || value.isNull() ? fallback : value.as<TNumber>();
}

std::optional<icnkit::Generation> GenerationOption(const val& options) {
  const std::string name = TextOption(options, "generation", {});
  if (name.empty()) return std::nullopt;
  return icnkit::ParseGeneration(name);
}

// The archive of options.bytes, of options.generation (told from the bytes
// when not given), called options.name. The bytes are copied in once, into
// memory the archive keeps and nothing clears first (a vector's would be
// cleared: one more pass over the archive).
icnkit::Archive ArchiveOf(const val& bytes, const val& options) {
  const size_t size = bytes["length"].as<size_t>();
  const std::shared_ptr<uint8_t[]> copy(new uint8_t[size]);
  val(emscripten::typed_memory_view(size, copy.get())).call<void>("set", bytes);
  return icnkit::Archive::Open(std::span<const uint8_t>(copy.get(), size), copy,
                               GenerationOption(options),
                               TextOption(options, "name", "archive.icn"));
}

val PaletteBytes(const icnkit::Palette& palette) {
  std::vector<uint8_t> bytes;
  for (const icnkit::Colour& colour : palette) {
    bytes.insert(bytes.end(), {colour.red, colour.green, colour.blue});
  }
  return ArrayOf(bytes);
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

// open: {generation, name, palette, frames: [{left, top, width, height,
// bits, fillOnly, pixels}]}, each frame decoded; options.progress(done,
// total) is called about a hundred times on the way.
val OpenRaw(const val& bytes, const val& options) {
  return Guarded([&] {
    const icnkit::Archive archive = ArchiveOf(bytes, options);
    const val progress = options["progress"];
    const bool tells = !progress.isUndefined() && !progress.isNull();
    const size_t count = archive.FrameCount();
    const size_t step = count / 100 + 1;
    val frames = val::array();
    // One frame's pixels, decoded whole (DecodeInto) and copied out; made
    // anew (with Raster's size check) only when the size changes.
    icnkit::Raster pixels;
    for (size_t i = 0; i < count; ++i) {
      if (tells && i % step == 0) progress(i, count);
      const icnkit::FrameRecord record = archive.Frame(i);
      if (pixels.width != record.width || pixels.height != record.height) {
        pixels = icnkit::Raster(record.width, record.height);
      }
      archive.DecodeInto(i, pixels.View());
      val frame = val::object();
      frame.set("left", record.left);
      frame.set("top", record.top);
      frame.set("width", record.width);
      frame.set("height", record.height);
      frame.set("bits", record.bits);
      frame.set("fillOnly", record.fill_only);
      frame.set("pixels", ArrayOf(pixels.pixels));
      frames.call<void>("push", frame);
    }
    if (tells) progress(count, count);
    val result = val::object();
    result.set("generation", std::string(icnkit::GenerationName(archive.Generation())));
    result.set("name", archive.Name());
    result.set("palette", PaletteBytes(icnkit::GenerationPalette(archive.Generation())));
    result.set("frames", frames);
    return result;
  });
}

// pack: the archive of frames as the packers build it (BuildArchive).
val PackRaw(const std::string& generation, const val& list) {
  return Guarded([&] {
    const size_t count = list["length"].as<size_t>();
    std::vector<std::vector<uint8_t>> pixels(count);
    std::vector<icnkit::NewFrame> frames(count);
    for (size_t i = 0; i < count; ++i) {
      const val frame = list[i];
      pixels[i] = BytesOf(frame["pixels"]);
      const auto width = NumberOption<int32_t>(frame, "width", 0);
      const auto height = NumberOption<int32_t>(frame, "height", 0);
      if (width < 0 || height < 0 || int64_t{width} * height != int64_t(pixels[i].size())) {
        throw icnkit::Error(icnkit::ErrorKind::InvalidInput,
                            "frame " + std::to_string(i) + ": " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels expected, " +
                                std::to_string(pixels[i].size()) + " given");
      }
      frames[i].pixels = icnkit::ConstRasterView(pixels[i].data(), width, height, width);
      frames[i].left = NumberOption<int32_t>(frame, "left", 0);
      frames[i].top = NumberOption<int32_t>(frame, "top", 0);
      frames[i].bits = NumberOption<int32_t>(frame, "bits", 0);
    }
    return ArrayOf(icnkit::BuildArchive(icnkit::ParseGeneration(generation), frames));
  });
}

val SheetRaw(const val& bytes, const val& options) {
  return Guarded([&] {
    icnkit::SheetOptions sheetOptions;
    sheetOptions.columns = NumberOption<int32_t>(options, "columns", 0);
    sheetOptions.packed = NumberOption<bool>(options, "packed", false);
    sheetOptions.padding = NumberOption<int32_t>(options, "padding", 0);
    sheetOptions.untrimmed = NumberOption<bool>(options, "untrimmed", false);
    sheetOptions.duration_ms = NumberOption<int32_t>(options, "delay", 100);
    const icnkit::Sheet sheet = icnkit::MakeSheet(ArchiveOf(bytes, options), sheetOptions);
    val result = val::object();
    result.set("png", ArrayOf(sheet.png));
    result.set("json", sheet.json);
    return result;
  });
}

val GifRaw(const val& bytes, const val& options) {
  return Guarded([&] {
    icnkit::GifOptions gif;
    gif.delay_ms = NumberOption<int32_t>(options, "delay", 100);
    gif.scale = NumberOption<int32_t>(options, "scale", 1);
    return ArrayOf(icnkit::MakeGif(ArchiveOf(bytes, options), gif));
  });
}

val UnpackPngRaw(const val& bytes, const val& options) {
  return Guarded([&] {
    icnkit::UnpackOptions unpack;
    unpack.format = "png";
    unpack.transparent = NumberOption<bool>(options, "transparent", false);
    return FilesOf(icnkit::UnpackToFiles(ArchiveOf(bytes, options), unpack));
  });
}

// info: "icnkit info"'s table, or with options.json its JSON document.
std::string InfoRaw(const val& bytes, const val& options) {
  return Guarded([&] {
    const icnkit::Archive archive = ArchiveOf(bytes, options);
    if (NumberOption<bool>(options, "json", false)) {
      const std::string object = icnkit::InfoJson(archive, archive.Name());
      return icnkit::InfoJsonDocument(std::span<const std::string>(&object, 1));
    }
    return icnkit::InfoTable(archive, archive.Name());
  });
}

val PackSheetRaw(const val& png, const std::string& json, const val& options) {
  return Guarded([&] {
    icnkit::SheetPackOptions pack;
    pack.remap = NumberOption<bool>(options, "remap", false);
    pack.image_name = TextOption(options, "imageName", {});
    pack.json_name = TextOption(options, "jsonName", "sheet.json");
    pack.warning = WarningOption(options);
    return ArrayOf(icnkit::ArchiveFromSheet(BytesOf(png), json, pack));
  });
}

val PackFilesRaw(const val& files, const val& options) {
  return Guarded([&] {
    icnkit::PackOptions pack;
    pack.generation = GenerationOption(options);
    pack.remap = NumberOption<bool>(options, "remap", false);
    pack.warning = WarningOption(options);
    return ArrayOf(icnkit::PackFiles(NamedFilesOf(files), pack));
  });
}

val ZipRaw(const val& files) {
  return Guarded([&] { return ArrayOf(StoredZip(NamedFilesOf(files))); });
}

val PaletteRaw(const std::string& generation) {
  return Guarded(
      [&] { return PaletteBytes(icnkit::GenerationPalette(icnkit::ParseGeneration(generation))); });
}

std::string Version() {
  return ICNKIT_VERSION;
}

}  // namespace

EMSCRIPTEN_BINDINGS(icnkit) {
  emscripten::function("version", &Version);
  emscripten::function("openRaw", &OpenRaw);
  emscripten::function("packRaw", &PackRaw);
  emscripten::function("sheetRaw", &SheetRaw);
  emscripten::function("gifRaw", &GifRaw);
  emscripten::function("unpackPngRaw", &UnpackPngRaw);
  emscripten::function("infoRaw", &InfoRaw);
  emscripten::function("packSheetRaw", &PackSheetRaw);
  emscripten::function("packFilesRaw", &PackFilesRaw);
  emscripten::function("zipRaw", &ZipRaw);
  emscripten::function("paletteRaw", &PaletteRaw);
}
