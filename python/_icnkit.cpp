// _icnkit: the compiled part of the Python module icnkit, a thin binding of
// the public API (include/icnkit/). Every call is one API call; the names a
// script uses, their checks of Python values and their docstrings are in
// icnkit/__init__.py. Paths arrive as bytes (os.fsencode), pixels as
// C-contiguous 2-D uint8 arrays, generations as text ("H1", "h2", ...),
// palettes as (n, 3) uint8 arrays or None (the generation's). icnkit::Error
// leaves as Values.h's Translate says. An opened archive's decoded frames
// are in its FrameStore.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FrameStore.h"
#include "Values.h"
#include "icnkit/icnkit.h"

namespace py = pybind11;
using icnkit::python::BytesObject;
using icnkit::python::Colours;
using icnkit::python::FrameStore;
using icnkit::python::GenerationOf;
using icnkit::python::PaletteOf;
using icnkit::python::Pixels;
using icnkit::python::TextObject;

namespace {

// icnkit.Error, made when the module is imported.
py::exception<icnkit::Error>* icnkitError = nullptr;

using Palette = std::optional<Colours>;

// Calls that read, decode, encode or write run without the GIL, so that a
// script's threads work on archives at once (the library is thread-safe).
using Free = py::call_guard<py::gil_scoped_release>;

// Warnings of a call (PNG colour tables), for warnings.warn after it.
struct Warnings {
  std::vector<std::string> lines;
  icnkit::WarningHandler Handler() {
    return [this](const std::string& line) { lines.push_back(line); };
  }
};

icnkit::UnpackOptions UnpackOptionsOf(const std::optional<std::string>& generation,
                                      const std::string& format, bool transparent,
                                      const Palette& palette) {
  icnkit::UnpackOptions options;
  options.generation = GenerationOf(generation);
  options.format = format;
  options.transparent = transparent;
  options.palette = PaletteOf(palette);
  return options;
}

// An archive opened from a file or bytes, and its decoded frames.
struct Source {
  std::shared_ptr<FrameStore> store;
  const icnkit::Archive& archive() const { return store->Archive(); }

  py::tuple Record(size_t index) const {
    const icnkit::FrameRecord frame = archive().Frame(index);
    return py::make_tuple(frame.left, frame.top, frame.width, frame.height, frame.bits,
                          frame.fill_only);
  }
  // The archive with frames' edits: per frame None (as opened, unless its
  // pixels were edited in place) or (pixels or None, left, top, bits).
  // None when nothing changed. Unchanged frames keep their stored bytes.
  py::object Build(const std::vector<std::optional<py::tuple>>& frames) const {
    const size_t count = archive().FrameCount();
    if (frames.size() != count) throw py::value_error("build: one entry a frame is needed");
    std::vector<Pixels> keep;  // every array read stays alive until the end
    keep.reserve(count);
    std::vector<icnkit::NewFrame> built(count);
    bool changed = false;
    for (size_t i = 0; i < count; ++i) {
      icnkit::NewFrame& frame = built[i];
      const std::optional<py::tuple>& edit = frames[i];
      if (edit) {
        frame.left = (*edit)[1].cast<int32_t>();
        frame.top = (*edit)[2].cast<int32_t>();
        frame.bits = (*edit)[3].cast<int32_t>();
        changed = true;
      } else {
        const icnkit::FrameRecord record = archive().Frame(i);
        frame.left = record.left;
        frame.top = record.top;
        frame.bits = record.bits;
      }
      if (edit && !(*edit)[0].is_none()) {
        keep.push_back((*edit)[0].cast<Pixels>());
      } else if (store->Edited(i)) {
        keep.push_back(store->Pixels(i, std::nullopt));
        changed = true;
      } else {
        frame.source = &archive();
        frame.source_index = i;
        continue;
      }
      frame.pixels = icnkit::python::ViewOf(keep.back());
    }
    if (!changed) return py::none();
    std::vector<uint8_t> bytes;
    {
      const py::gil_scoped_release free;  // the arrays stay alive in keep
      bytes = icnkit::BuildArchive(archive().Generation(), built);
    }
    return BytesObject(bytes);
  }
};

Source OpenBytes(const py::buffer& data, const std::optional<std::string>& generation,
                 const std::string& name) {
  const py::buffer_info info = data.request();
  if (!PyBuffer_IsContiguous(info.view(), 'C')) {
    throw py::type_error("the archive's bytes: a contiguous buffer is needed");
  }
  const auto* start = static_cast<const uint8_t*>(info.ptr);
  std::vector<uint8_t> bytes(start, start + info.size * info.itemsize);
  return {std::make_shared<FrameStore>(
      icnkit::Archive::Open(std::move(bytes), GenerationOf(generation), name))};
}

// (pixels, left, top, bits) tuples, pixels C-contiguous 2-D uint8.
py::bytes Build(const std::string& generation, const std::vector<py::tuple>& frames) {
  std::vector<Pixels> keep;
  std::vector<icnkit::NewFrame> built;
  keep.reserve(frames.size());
  built.reserve(frames.size());
  for (const py::tuple& frame : frames) {
    keep.push_back(frame[0].cast<Pixels>());
    built.push_back({icnkit::python::ViewOf(keep.back()), frame[1].cast<int32_t>(),
                     frame[2].cast<int32_t>(), frame[3].cast<int32_t>()});
  }
  std::vector<uint8_t> bytes;
  {
    const py::gil_scoped_release free;  // the arrays stay alive in keep
    bytes = icnkit::BuildArchive(icnkit::ParseGeneration(generation), built);
  }
  return BytesObject(bytes);
}

std::optional<std::string> Detect(const py::buffer& data) {
  const py::buffer_info info = data.request();
  const auto* start = static_cast<const uint8_t*>(info.ptr);
  const std::optional<icnkit::Generation> generation =
      icnkit::DetectGeneration(std::span<const uint8_t>(start, size_t(info.size * info.itemsize)));
  if (!generation) return std::nullopt;
  return icnkit::GenerationName(*generation);
}

void BindSource(py::module_& m) {
  py::class_<Source>(m, "Source")
      .def_property_readonly(
          "generation",
          [](const Source& s) { return icnkit::GenerationName(s.archive().Generation()); })
      .def_property_readonly("name", [](const Source& s) { return TextObject(s.archive().Name()); })
      .def_property_readonly("frame_count",
                             [](const Source& s) { return s.archive().FrameCount(); })
      .def_property_readonly("held", [](const Source& s) { return s.store->Held(); })
      .def("record", &Source::Record)
      .def("pixels", [](const Source& s, size_t index,
                        std::optional<uint64_t> bound) { return s.store->Pixels(index, bound); })
      .def("discard", [](const Source& s, size_t index) { s.store->Discard(index); })
      .def("build", &Source::Build)
      .def("union",
           [](const Source& s) {
             const icnkit::Rect rect = s.archive().Union();
             return py::make_tuple(rect.left, rect.top, rect.width, rect.height);
           })
      .def("info", [](const Source& s,
                      const std::string& file) { return icnkit::InfoJson(s.archive(), file); })
      .def("to_bytes", [](const Source& s) { return BytesObject(s.archive().Bytes()); })
      .def("unpack",
           [](const Source& s, const std::string& folder, const std::string& format,
              bool transparent, const Palette& palette) {
             const icnkit::UnpackOptions options =
                 UnpackOptionsOf(std::nullopt, format, transparent, palette);
             const py::gil_scoped_release free;
             icnkit::UnpackArchive(s.archive(), folder, options);
           })
      .def("sheet",
           [](const Source& s, int32_t columns, bool packed, int32_t padding, bool untrimmed,
              int32_t delay, const std::string& image_name, const Palette& palette) {
             icnkit::SheetOptions options;
             options.columns = columns;
             options.packed = packed;
             options.padding = padding;
             options.untrimmed = untrimmed;
             options.duration_ms = delay;
             options.image_name = image_name;
             options.palette = PaletteOf(palette);
             icnkit::Sheet sheet;
             {
               const py::gil_scoped_release free;
               sheet = icnkit::MakeSheet(s.archive(), options);
             }
             return py::make_tuple(BytesObject(sheet.png), py::bytes(sheet.json));
           })
      .def("thumbnail",
           [](const Source& s, int32_t size) -> py::object {
             icnkit::Thumbnail thumbnail;
             std::vector<uint8_t> png;
             {
               const py::gil_scoped_release free;
               thumbnail = icnkit::MakeThumbnail(s.archive(), size);
               if (thumbnail.pixels.width > 0) {
                 png = icnkit::EncodePng(thumbnail.pixels.View(),
                                         icnkit::GenerationPalette(s.archive().Generation()),
                                         /*transparent_zero=*/true);
               }
             }
             if (png.empty()) return py::none();
             return py::make_tuple(BytesObject(png), thumbnail.frame);
           })
      .def("gif", [](const Source& s, int32_t delay, int32_t scale, size_t first, size_t last,
                     const Palette& palette) {
        icnkit::GifOptions options;
        options.delay_ms = delay;
        options.scale = scale;
        options.first = first;
        options.last = last;
        options.palette = PaletteOf(palette);
        std::vector<uint8_t> gif;
        {
          const py::gil_scoped_release free;
          gif = icnkit::MakeGif(s.archive(), options);
        }
        return BytesObject(gif);
      });
}

}  // namespace

PYBIND11_MODULE(_icnkit, m) {
  m.doc() = "The compiled part of icnkit; use the names of the package icnkit.";
  // Never freed: it lives as long as the interpreter.
  // NOLINTNEXTLINE(bugprone-throw-keyword-missing): a Python type, raised by Translate
  icnkitError = new py::exception<icnkit::Error>(m, "Error", PyExc_ValueError);
  // pybind11's translators take the exception_ptr by value.
  // NOLINTNEXTLINE(performance-unnecessary-value-param)
  py::register_exception_translator([](std::exception_ptr failure) {
    try {
      if (failure) std::rethrow_exception(failure);
    } catch (const icnkit::Error& e) {
      icnkit::python::Translate(e, *icnkitError);
    }
  });
  m.attr("version") = icnkit::Version();
  BindSource(m);

  m.def("open_bytes", &OpenBytes);
  m.def("open_file", [](const std::string& path, const std::optional<std::string>& generation) {
    std::optional<icnkit::Archive> archive;
    {
      const py::gil_scoped_release free;
      archive = icnkit::Archive::OpenFile(path, GenerationOf(generation));
    }
    return Source{std::make_shared<FrameStore>(std::move(*archive))};
  });
  m.def("build", &Build);
  m.def("detect", &Detect);
  m.def("save_file", [](const std::string& path, const py::bytes& bytes) {
    const std::string_view view = bytes;
    const py::gil_scoped_release free;  // bytes stays alive: the caller holds it
    icnkit::SaveFile(path, {reinterpret_cast<const uint8_t*>(view.data()), view.size()});
  });
  m.def("frame_range", [](const std::string& text, size_t count) {
    const icnkit::FrameRange range = icnkit::ParseFrameRange(text, count);
    return py::make_tuple(range.first, range.last);
  });
  m.def("generation_name", [](const std::string& generation) {
    return icnkit::GenerationName(icnkit::ParseGeneration(generation));
  });
  m.def("generation_palette", [](const std::string& generation) {
    return icnkit::python::ColoursOf(
        icnkit::GenerationPalette(icnkit::ParseGeneration(generation)));
  });
  m.def("unpack_file", [](const std::string& path, const std::string& folder,
                          const std::optional<std::string>& generation, const std::string& format,
                          bool transparent, const Palette& palette) {
    const icnkit::UnpackOptions options = UnpackOptionsOf(generation, format, transparent, palette);
    std::string unpacked;
    {
      const py::gil_scoped_release free;
      unpacked = icnkit::UnpackFile(path, folder, options);
    }
    return TextObject(unpacked);
  });
  m.def("pack_folder",
        [](const std::string& folder, const std::string& archive,
           const std::optional<std::string>& generation, bool remap, const Palette& palette) {
          Warnings warnings;
          icnkit::PackOptions options;
          options.generation = GenerationOf(generation);
          options.remap = remap;
          options.palette = PaletteOf(palette);
          options.warning = warnings.Handler();
          std::string packed;
          {
            const py::gil_scoped_release free;
            packed = icnkit::PackFolder(folder, archive, options);
          }
          return py::make_tuple(TextObject(packed), warnings.lines);
        });
  m.def("pack_sheet_file", [](const std::string& json_path, const std::string& archive_path,
                              bool remap, const Palette& palette) {
    Warnings warnings;
    icnkit::SheetPackOptions options;
    options.palette = PaletteOf(palette);
    options.remap = remap;
    options.warning = warnings.Handler();
    std::string packed;
    {
      const py::gil_scoped_release free;
      packed = icnkit::PackSheetFile(json_path, archive_path, options);
    }
    return py::make_tuple(TextObject(packed), warnings.lines);
  });
  // depth: 0 detect, 6 or 8 bits.
  m.def("read_palette", [](const std::string& path, int depth) {
    return icnkit::python::ColoursOf(
        icnkit::ReadPaletteFile(path, depth == 6   ? icnkit::PaletteDepth::SixBit
                                      : depth == 8 ? icnkit::PaletteDepth::EightBit
                                                   : icnkit::PaletteDepth::Detect));
  });
  m.def("write_palette", [](const std::string& path, const Colours& colours) {
    icnkit::WritePaletteFile(path, PaletteOf(colours));
  });
}
