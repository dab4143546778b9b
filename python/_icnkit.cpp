// _icnkit: the compiled part of the Python module icnkit, a thin binding of
// the public API (include/icnkit/). Every call is one API call; the names a
// script uses, their checks of Python values and their docstrings are in
// icnkit/__init__.py. Paths arrive as bytes (os.fsencode), pixels as
// C-contiguous 2-D uint8 arrays, generations as text ("H1", "h2", ...).
// icnkit::Error leaves as icnkit.Error (a ValueError), FileNotFoundError,
// OSError or MemoryError by its kind.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "icnkit/icnkit.h"

namespace py = pybind11;

namespace {

// icnkit.Error, made when the module is imported.
py::exception<icnkit::Error>* icnkitError = nullptr;

using Pixels = py::array_t<uint8_t, py::array::c_style>;
using Colours = py::array_t<uint8_t, py::array::c_style>;

std::optional<icnkit::Generation> GenerationOf(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  return icnkit::ParseGeneration(*text);
}

std::string TextOf(icnkit::Generation generation) {
  return icnkit::GenerationName(generation);
}

icnkit::ConstRasterView ViewOf(const Pixels& pixels) {
  if (pixels.ndim() != 2) throw py::type_error("pixels: a 2-D array is needed");
  const auto height = static_cast<int32_t>(pixels.shape(0));
  const auto width = static_cast<int32_t>(pixels.shape(1));
  if (pixels.shape(0) != height || pixels.shape(1) != width) {
    throw icnkit::Error(icnkit::ErrorKind::InvalidInput,
                        "Bitmap too large: " + std::to_string(pixels.shape(1)) + " x " +
                            std::to_string(pixels.shape(0)));
  }
  return {pixels.data(), width, height, width};
}

py::array_t<uint8_t> ColoursOf(const icnkit::Palette& palette) {
  py::array_t<uint8_t> colours({py::ssize_t(palette.size()), py::ssize_t(3)});
  auto out = colours.mutable_unchecked<2>();
  for (size_t i = 0; i < palette.size(); ++i) {
    out(i, 0) = palette[i].red;
    out(i, 1) = palette[i].green;
    out(i, 2) = palette[i].blue;
  }
  return colours;
}

icnkit::Palette PaletteOf(const Colours& colours) {
  if (colours.ndim() != 2 || colours.shape(1) != 3) {
    throw py::type_error("colours: an array of shape (n, 3) is needed");
  }
  const auto in = colours.unchecked<2>();
  icnkit::Palette palette(size_t(colours.shape(0)));
  for (size_t i = 0; i < palette.size(); ++i) palette[i] = {in(i, 0), in(i, 1), in(i, 2)};
  return palette;
}

// Calls that read, decode, encode or write run without the GIL, so that a
// script's threads work on archives at once (the library is thread-safe).
using Free = py::call_guard<py::gil_scoped_release>;

icnkit::UnpackOptions UnpackOptionsOf(const std::string& format) {
  icnkit::UnpackOptions options;
  options.format = format;
  return options;
}

// The archive of an icnkit.Archive opened from a file or bytes.
struct OpenArchive {
  icnkit::Archive archive;

  py::tuple Record(size_t index) const {
    const icnkit::FrameRecord frame = archive.Frame(index);
    return py::make_tuple(frame.left, frame.top, frame.width, frame.height, frame.bits,
                          frame.fill_only);
  }
  // Frame index's pixels as an array over the raster the library decoded
  // them into, which the array's base (a capsule) owns.
  py::array Decode(size_t index) const {
    auto decoded = std::make_unique<icnkit::Raster>();
    {
      const py::gil_scoped_release free;
      *decoded = archive.Decode(index);
    }
    const py::capsule owner(decoded.get(), [](void* p) { delete static_cast<icnkit::Raster*>(p); });
    const icnkit::Raster* raster = decoded.release();  // the capsule's now
    return py::array_t<uint8_t>({py::ssize_t(raster->height), py::ssize_t(raster->width)},
                                raster->pixels.data(), owner);
  }
  py::bytes Bytes() const {
    const std::span<const uint8_t> bytes = archive.Bytes();
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  }
};

OpenArchive OpenBytes(const py::buffer& data, const std::optional<std::string>& generation,
                      const std::string& name) {
  const py::buffer_info info = data.request();
  if (!PyBuffer_IsContiguous(info.view(), 'C')) {
    throw py::type_error("the archive's bytes: a contiguous buffer is needed");
  }
  const auto* start = static_cast<const uint8_t*>(info.ptr);
  std::vector<uint8_t> bytes(start, start + info.size * info.itemsize);
  return {icnkit::Archive::Open(std::move(bytes), GenerationOf(generation), name)};
}

// (pixels, left, top, bits) tuples, pixels C-contiguous 2-D uint8.
py::bytes Build(const std::string& generation, const std::vector<py::tuple>& frames) {
  std::vector<Pixels> keep;
  std::vector<icnkit::NewFrame> built;
  keep.reserve(frames.size());
  built.reserve(frames.size());
  for (const py::tuple& frame : frames) {
    keep.push_back(frame[0].cast<Pixels>());
    built.push_back({ViewOf(keep.back()), frame[1].cast<int32_t>(), frame[2].cast<int32_t>(),
                     frame[3].cast<int32_t>()});
  }
  std::vector<uint8_t> bytes;
  {
    const py::gil_scoped_release free;  // the arrays stay alive in keep
    bytes = icnkit::BuildArchive(icnkit::ParseGeneration(generation), built);
  }
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Text of the library (paths as the system gives them) as a str; bytes
// that are no UTF-8 kept as os.fsdecode keeps them.
py::object TextObject(const std::string& text) {
  py::object object = py::reinterpret_steal<py::object>(
      PyUnicode_DecodeUTF8(text.data(), py::ssize_t(text.size()), "surrogateescape"));
  if (!object) throw py::error_already_set();
  return object;
}

void Translate(const icnkit::Error& error, const py::object& icnkit_error) {
  // The tools name the file a message does not name before it.
  std::string text = error.what();
  if (!error.File().empty() && text.find(error.File()) == std::string::npos) {
    text = error.File() + ": " + text;
  }
  const py::object message = TextObject(text);
  switch (error.Kind()) {
    case icnkit::ErrorKind::NotFound:
      PyErr_SetObject(PyExc_FileNotFoundError, message.ptr());
      return;
    case icnkit::ErrorKind::Io:
      PyErr_SetObject(PyExc_OSError, message.ptr());
      return;
    case icnkit::ErrorKind::OutOfMemory:
      PyErr_SetObject(PyExc_MemoryError, message.ptr());
      return;
    case icnkit::ErrorKind::InvalidInput:
      break;
  }
  py::object exception = icnkit_error(message);
  exception.attr("file") = TextObject(error.File());
  PyErr_SetObject(icnkit_error.ptr(), exception.ptr());
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
      Translate(e, *icnkitError);
    }
  });
  m.attr("version") = icnkit::Version();

  py::class_<OpenArchive>(m, "OpenArchive")
      .def_property_readonly("generation",
                             [](const OpenArchive& a) { return TextOf(a.archive.Generation()); })
      .def_property_readonly("name",
                             [](const OpenArchive& a) { return TextObject(a.archive.Name()); })
      .def_property_readonly("frame_count",
                             [](const OpenArchive& a) { return a.archive.FrameCount(); })
      .def("record", &OpenArchive::Record)
      .def("decode", &OpenArchive::Decode)
      .def("to_bytes", &OpenArchive::Bytes)
      .def(
          "save", [](const OpenArchive& a, const std::string& path) { a.archive.Save(path); },
          Free())
      .def(
          "unpack",
          [](const OpenArchive& a, const std::string& folder, const std::string& format) {
            icnkit::UnpackArchive(a.archive, folder, UnpackOptionsOf(format));
          },
          Free());

  m.def("open_bytes", &OpenBytes);
  m.def(
      "open_file",
      [](const std::string& path, const std::optional<std::string>& generation) {
        return OpenArchive{icnkit::Archive::OpenFile(path, GenerationOf(generation))};
      },
      Free());
  m.def("build", &Build);
  m.def("save_file", [](const std::string& path, const py::bytes& bytes) {
    const std::string_view view = bytes;
    const py::gil_scoped_release free;  // bytes stays alive: the caller holds it
    icnkit::SaveFile(path, {reinterpret_cast<const uint8_t*>(view.data()), view.size()});
  });
  m.def("generation_name",
        [](const std::string& generation) { return TextOf(icnkit::ParseGeneration(generation)); });
  m.def("generation_palette", [](const std::string& generation) {
    return ColoursOf(icnkit::GenerationPalette(icnkit::ParseGeneration(generation)));
  });
  m.def("unpack_file",
        [](const std::string& path, const std::string& folder, const std::string& format) {
          std::string unpacked;
          {
            const py::gil_scoped_release free;
            unpacked = icnkit::UnpackFile(path, folder, UnpackOptionsOf(format));
          }
          return TextObject(unpacked);
        });
  m.def("pack_folder", [](const std::string& folder, const std::string& archive) {
    std::string packed;
    {
      const py::gil_scoped_release free;
      packed = icnkit::PackFolder(folder, archive);
    }
    return TextObject(packed);
  });
  m.def("read_palette",
        [](const std::string& path) { return ColoursOf(icnkit::ReadPaletteFile(path)); });
  m.def("write_palette", [](const std::string& path, const Colours& colours) {
    icnkit::WritePaletteFile(path, PaletteOf(colours));
  });
}
