// The module's values: JavaScript arrays, option objects and exceptions
// turned into the public API's types and back, for Bindings.cpp.
#pragma once

#include <emscripten/val.h>

#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "icnkit/icnkit.h"

namespace icnkit::web {

using emscripten::val;

// Runs work and returns what it returns. What it raises is thrown on to
// JavaScript as an Error with the message the tools print for it, once the
// C++ exception is done with.
template <class TWork>
auto Guarded(TWork work) -> decltype(work()) {
  std::string message, kind = "InvalidInput", file;
  try {
    return work();
  } catch (const icnkit::Error& error) {
    message = error.what();
    file = error.File();
    constexpr const char* kKinds[] = {"InvalidInput", "NotFound", "Io", "OutOfMemory"};
    kind = kKinds[static_cast<int>(error.Kind())];
  } catch (const std::bad_alloc&) {
    message = "Out of memory";
    kind = "OutOfMemory";
  } catch (const std::exception& error) {
    message = error.what();
  }
  val::module_property("Error").new_(message, kind, file).throw_();
}

// options[key], or fallback where it is undefined or null.
template <class TNumber>
TNumber NumberOption(const val& options, const char* key, TNumber fallback) {
  const val value = options[key];
  return value.isUndefined() || value.isNull() ? fallback : value.as<TNumber>();
}

// The bytes of a Uint8Array (or any array of bytes), copied in one call.
std::vector<uint8_t> BytesOf(const val& array);
// A new Uint8Array holding bytes.
val ArrayOf(std::span<const uint8_t> bytes);
// The same for a text.
std::string TextOption(const val& options, const char* key, const std::string& fallback);
// options.generation ("H1", "H2"); none where it is not given.
std::optional<icnkit::Generation> GenerationOption(const val& options);
// The colours as a Uint8Array of 3 bytes each.
val PaletteBytes(const icnkit::Palette& palette);
// options.palette: colours, 3 bytes each (what readPalette gives); none:
// the generation's.
icnkit::Palette PaletteOption(const val& options);
// Files as [{name, bytes}], and back.
val FilesOf(const std::vector<icnkit::NamedFile>& files);
std::vector<icnkit::NamedFile> NamedFilesOf(const val& list);
// What the library tells along the way goes to options.warning, if any.
icnkit::WarningHandler WarningOption(const val& options);

}  // namespace icnkit::web
