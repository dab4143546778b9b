// The module's functions (embind), each a thin call of the public API
// (include/icnkit/). They take their options as one object and are named
// "...Raw": web/module.js gives them the module's JavaScript shape
// (argument checks, optional arguments, defaults, deprecated names). An
// open archive is an ArchiveHandle, which holds the archive's one copy of
// its bytes in the module's memory. A failure reaches JavaScript as the
// module's Error (module.js) carrying the tools' message ("Invalid
// archive: ...") and the failure's kind.
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
#include "web/Values.h"
#include "web/Zip.h"

namespace {

using emscripten::val;
using namespace icnkit::web;

// The archive of bytes, of options.generation (told from the bytes when
// not given), called options.name. The bytes are copied in once, into
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

// An open archive as JavaScript holds it (module.js's Archive): records
// when asked, pixels decoded when asked. Frames are decoded into one
// raster, kept for the next frame of the same size, then copied out.
class ArchiveHandle {
 public:
  explicit ArchiveHandle(icnkit::Archive archive) : archive_(std::move(archive)) {}

  const icnkit::Archive& Get() const { return archive_; }

  std::string Generation() const { return icnkit::GenerationName(archive_.Generation()); }
  std::string Name() const { return archive_.Name(); }
  size_t FrameCount() const { return archive_.FrameCount(); }

  // left, top, width, height of every frame, 4 numbers a frame; the rest
  // of a record (Flags) is read when asked, H1's fill-only flag costing a
  // scan of the frame's stream.
  val Places() const {
    return Guarded([&] {
      std::vector<int32_t> places(archive_.FrameCount() * 4);
      for (size_t i = 0; i < archive_.FrameCount(); ++i) {
        const icnkit::Rect place = archive_.FrameRect(i);
        places[i * 4] = place.left;
        places[i * 4 + 1] = place.top;
        places[i * 4 + 2] = place.width;
        places[i * 4 + 3] = place.height;
      }
      return val(emscripten::typed_memory_view(places.size(), places.data())).call<val>("slice");
    });
  }

  // Frame index's bits, plus 256 when it is fill-only.
  int32_t Flags(size_t index) const {
    return Guarded([&] {
      const icnkit::FrameRecord record = archive_.Frame(index);
      return record.bits + (record.fill_only ? 256 : 0);
    });
  }

  val Union() const {
    const icnkit::Rect rect = archive_.Union();
    val result = val::object();
    result.set("left", rect.left);
    result.set("top", rect.top);
    result.set("width", rect.width);
    result.set("height", rect.height);
    return result;
  }

  val Decode(size_t index) {
    return Guarded([&] {
      const icnkit::Rect record = archive_.FrameRect(index);
      if (scratch_.width != record.width || scratch_.height != record.height) {
        scratch_ = icnkit::Raster();
        scratch_ = icnkit::Raster(record.width, record.height);
      }
      archive_.DecodeInto(index, scratch_.View());
      val pixels = ArrayOf(scratch_.pixels);
      if (scratch_.pixels.size() > kScratchKept) scratch_ = icnkit::Raster();
      return pixels;
    });
  }

  val DecodeRegion(size_t index, int32_t x, int32_t y, int32_t width, int32_t height,
                   int32_t step) const {
    return Guarded([&] {
      return ArrayOf(archive_.DecodeRegion(index, {x, y, width, height}, step).pixels);
    });
  }

 private:
  // The raster kept between decodes, up to 16 million pixels.
  static constexpr size_t kScratchKept = size_t{1} << 24;
  icnkit::Archive archive_;
  icnkit::Raster scratch_;
};

std::unique_ptr<ArchiveHandle> OpenRaw(const val& bytes, const val& options) {
  return Guarded([&] { return std::make_unique<ArchiveHandle>(ArchiveOf(bytes, options)); });
}

// build: the archive of frames as the packers build it (BuildArchive).
val BuildRaw(const std::string& generation, const val& list) {
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

val SheetRaw(const ArchiveHandle& archive, const val& options) {
  return Guarded([&] {
    icnkit::SheetOptions sheetOptions;
    sheetOptions.columns = NumberOption<int32_t>(options, "columns", 0);
    sheetOptions.packed = NumberOption<bool>(options, "packed", false);
    sheetOptions.padding = NumberOption<int32_t>(options, "padding", 0);
    sheetOptions.untrimmed = NumberOption<bool>(options, "untrimmed", false);
    sheetOptions.duration_ms = NumberOption<int32_t>(options, "delay", 100);
    sheetOptions.palette = PaletteOption(options);
    const icnkit::Sheet sheet = icnkit::MakeSheet(archive.Get(), sheetOptions);
    val result = val::object();
    result.set("png", ArrayOf(sheet.png));
    result.set("json", sheet.json);
    return result;
  });
}

val GifRaw(const ArchiveHandle& archive, const val& options) {
  return Guarded([&] {
    icnkit::GifOptions gif;
    gif.delay_ms = NumberOption<int32_t>(options, "delay", 100);
    gif.scale = NumberOption<int32_t>(options, "scale", 1);
    gif.palette = PaletteOption(options);
    const std::string frames = TextOption(options, "frames", {});
    if (!frames.empty()) {
      const icnkit::FrameRange range = icnkit::ParseFrameRange(frames, archive.Get().FrameCount());
      gif.first = range.first;
      gif.last = range.last;
    }
    return ArrayOf(icnkit::MakeGif(archive.Get(), gif));
  });
}

// thumbnail: what "icnkit thumbnail -s size" writes, as PNG bytes.
val ThumbnailRaw(const ArchiveHandle& archive, const val& options) {
  return Guarded([&] {
    const icnkit::Archive& opened = archive.Get();
    const icnkit::Thumbnail thumbnail =
        icnkit::MakeThumbnail(opened, NumberOption<int32_t>(options, "size", 128));
    if (thumbnail.pixels.width == 0) {
      throw icnkit::Error(icnkit::ErrorKind::InvalidInput,
                          opened.Name() + " has no frame with pixels to show");
    }
    return ArrayOf(icnkit::EncodePng(thumbnail.pixels.View(),
                                     icnkit::GenerationPalette(opened.Generation()), true));
  });
}

val UnpackRaw(const ArchiveHandle& archive, const val& options) {
  return Guarded([&] {
    icnkit::UnpackOptions unpack;
    unpack.format = TextOption(options, "format", "bmp");
    unpack.transparent = NumberOption<bool>(options, "transparent", false);
    unpack.palette = PaletteOption(options);
    return FilesOf(icnkit::UnpackToFiles(archive.Get(), unpack));
  });
}

// info: "icnkit info"'s table, or with options.json its JSON document.
std::string InfoRaw(const ArchiveHandle& handle, const val& options) {
  return Guarded([&] {
    const icnkit::Archive& archive = handle.Get();
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

val PackRaw(const val& files, const val& options) {
  return Guarded([&] {
    icnkit::PackOptions pack;
    pack.generation = GenerationOption(options);
    pack.remap = NumberOption<bool>(options, "remap", false);
    pack.palette = PaletteOption(options);
    pack.warning = WarningOption(options);
    return ArrayOf(icnkit::PackFiles(NamedFilesOf(files), pack));
  });
}

val ZipRaw(const val& files) {
  return Guarded([&] { return ArrayOf(StoredZip(NamedFilesOf(files))); });
}

val GenerationPaletteRaw(const std::string& generation) {
  return Guarded(
      [&] { return PaletteBytes(icnkit::GenerationPalette(icnkit::ParseGeneration(generation))); });
}

// readPalette: the colours of a palette file's bytes; options.palette6bit
// or palette8bit says how a raw palette's values are read (not both, as
// on the command line).
val ReadPaletteRaw(const val& bytes, const std::string& name, const val& options) {
  return Guarded([&] {
    const bool sixBit = NumberOption<bool>(options, "palette6bit", false);
    const bool eightBit = NumberOption<bool>(options, "palette8bit", false);
    if (sixBit && eightBit) {
      throw icnkit::Error(icnkit::ErrorKind::InvalidInput,
                          "palette6bit and palette8bit exclude each other");
    }
    const icnkit::PaletteDepth depth = sixBit     ? icnkit::PaletteDepth::SixBit
                                       : eightBit ? icnkit::PaletteDepth::EightBit
                                                  : icnkit::PaletteDepth::Detect;
    return PaletteBytes(icnkit::ReadPalette(BytesOf(bytes), name, depth));
  });
}

// writePalette: colours (3 bytes each) as a file of the format name says.
val WritePaletteRaw(const val& colours, const std::string& name) {
  return Guarded([&] {
    val options = val::object();
    options.set("palette", colours);
    return ArrayOf(icnkit::WritePalette(PaletteOption(options), icnkit::PaletteFormatOfName(name)));
  });
}

// detect: "H1", "H2", or "" when the bytes fit neither.
std::string DetectRaw(const val& bytes) {
  return Guarded([&]() -> std::string {
    const std::optional<icnkit::Generation> generation = icnkit::DetectGeneration(BytesOf(bytes));
    return generation ? icnkit::GenerationName(*generation) : "";
  });
}

std::string Version() {
  return ICNKIT_VERSION;
}

}  // namespace

EMSCRIPTEN_BINDINGS(icnkit) {
  emscripten::class_<ArchiveHandle>("ArchiveHandle")
      .function("generation", &ArchiveHandle::Generation)
      .function("name", &ArchiveHandle::Name)
      .function("frameCount", &ArchiveHandle::FrameCount)
      .function("places", &ArchiveHandle::Places)
      .function("flags", &ArchiveHandle::Flags)
      .function("union", &ArchiveHandle::Union)
      .function("decode", &ArchiveHandle::Decode)
      .function("decodeRegion", &ArchiveHandle::DecodeRegion);
  emscripten::function("version", &Version);
  emscripten::function("openRaw", &OpenRaw);
  emscripten::function("buildRaw", &BuildRaw);
  emscripten::function("sheetRaw", &SheetRaw);
  emscripten::function("gifRaw", &GifRaw);
  emscripten::function("thumbnailRaw", &ThumbnailRaw);
  emscripten::function("unpackRaw", &UnpackRaw);
  emscripten::function("infoRaw", &InfoRaw);
  emscripten::function("packSheetRaw", &PackSheetRaw);
  emscripten::function("packRaw", &PackRaw);
  emscripten::function("zipRaw", &ZipRaw);
  emscripten::function("generationPaletteRaw", &GenerationPaletteRaw);
  emscripten::function("readPaletteRaw", &ReadPaletteRaw);
  emscripten::function("writePaletteRaw", &WritePaletteRaw);
  emscripten::function("detectRaw", &DetectRaw);
}
