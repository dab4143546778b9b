#include "Values.h"

#include <cerrno>
#include <cstring>

namespace py = pybind11;

namespace icnkit::python {

std::optional<icnkit::Generation> GenerationOf(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  return icnkit::ParseGeneration(*text);
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

icnkit::Palette PaletteOf(const std::optional<Colours>& colours) {
  if (!colours) return {};
  if (colours->ndim() != 2 || colours->shape(1) != 3) {
    throw py::type_error("colours: an array of shape (n, 3) is needed");
  }
  const auto in = colours->unchecked<2>();
  icnkit::Palette palette(size_t(colours->shape(0)));
  for (size_t i = 0; i < palette.size(); ++i) palette[i] = {in(i, 0), in(i, 1), in(i, 2)};
  return palette;
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

py::object TextObject(const std::string& text) {
  py::object object = py::reinterpret_steal<py::object>(
      PyUnicode_DecodeUTF8(text.data(), py::ssize_t(text.size()), "surrogateescape"));
  if (!object) throw py::error_already_set();
  return object;
}

py::bytes BytesObject(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

namespace {

// The errno of a system failure: the error's code, else the one whose text
// (strerror, as the library words the reason) ends the message; 0 when
// none does.
int ErrnoOf(const icnkit::Error& error) {
  if (error.SystemCode() != 0) return error.SystemCode();
  const std::string_view text = error.what();
  for (int code = 1; code < 134; ++code) {
    const std::string_view reason = std::strerror(code);
    if (text.size() > reason.size() + 2 && text.ends_with(reason) &&
        text.substr(text.size() - reason.size() - 2, 2) == ". ") {
      return code;
    }
  }
  return error.Kind() == icnkit::ErrorKind::NotFound ? ENOENT : 0;
}

}  // namespace

void Translate(const icnkit::Error& error, const py::object& icnkit_error) {
  // The tools name the file a message does not name before it.
  std::string text = error.what();
  if (!error.File().empty() && text.find(error.File()) == std::string::npos) {
    text = error.File() + ": " + text;
  }
  const py::object message = TextObject(text);
  py::object exception;
  switch (error.Kind()) {
    case icnkit::ErrorKind::InvalidInput:
      exception = icnkit_error(message);
      break;
    case icnkit::ErrorKind::OutOfMemory:
      exception = py::reinterpret_borrow<py::object>(PyExc_MemoryError)(message);
      break;
    case icnkit::ErrorKind::NotFound:
    case icnkit::ErrorKind::Io: {
      // OSError(errno, text) is of the subclass errno makes, as open() raises.
      const int code = ErrnoOf(error);
      const py::object os_error = py::reinterpret_borrow<py::object>(PyExc_OSError);
      exception = code != 0 ? os_error(code, message) : os_error(message);
      break;
    }
  }
  exception.attr("file") = TextObject(error.File());
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
}

}  // namespace icnkit::python
