// What the Python module's compiled part turns Python values into and back:
// generations, palettes, pixels, text; and icnkit::Error into the Python
// exception a caller catches.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <optional>
#include <string>

#include "icnkit/icnkit.h"

namespace icnkit::python {

using Pixels = pybind11::array_t<uint8_t, pybind11::array::c_style>;
using Colours = pybind11::array_t<uint8_t, pybind11::array::c_style>;

std::optional<icnkit::Generation> GenerationOf(const std::optional<std::string>& text);
// An (n, 3) uint8 array of colours and back; None is no palette (empty).
pybind11::array_t<uint8_t> ColoursOf(const icnkit::Palette& palette);
icnkit::Palette PaletteOf(const std::optional<Colours>& colours);
// A C-contiguous 2-D uint8 array as the library reads pixels.
icnkit::ConstRasterView ViewOf(const Pixels& pixels);
// Text of the library (paths as the system gives them) as a str; bytes
// that are no UTF-8 kept as os.fsdecode keeps them.
pybind11::object TextObject(const std::string& text);
pybind11::bytes BytesObject(std::span<const uint8_t> bytes);

// Sets the Python exception for error: icnkit.Error (a ValueError) for
// InvalidInput, an OSError of the subclass its errno makes
// (FileNotFoundError, PermissionError, IsADirectoryError, ...) for NotFound
// and Io, MemoryError for OutOfMemory; each with .file, the file it
// concerns ('' when none).
void Translate(const icnkit::Error& error, const pybind11::object& icnkit_error);

}  // namespace icnkit::python
