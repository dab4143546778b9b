// The module's JavaScript names (embind). A failure reaches JavaScript as
// an Error carrying the tools' message text ("Invalid archive: ...").
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/RunTool.h"
#include "format/Error.h"
#include "format/IcnArchive.h"

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

TIcnGeneration GenerationNamed(const std::string& name) {
  if (name == "H1") return TIcnGeneration::H1;
  if (name == "H2") return TIcnGeneration::H2;
  throw TZtError("Unknown generation: " + name + " (H1 or H2)");
}

// version(): the version of the tools this module was built with.
std::string Version() {
  return kToolVersion;
}

// frameCount(bytes, generation): the frame count of the archive in bytes
// (a Uint8Array) of generation "H1" or "H2", once the archive has passed
// the checks every reader makes (ValidateArchive).
uint32_t FrameCountOf(const val& bytes, const std::string& generation) {
  return Guarded([&] {
    const TIcnGeneration kind = GenerationNamed(generation);
    const std::vector<uint8_t> image = emscripten::convertJSArrayToNumberVector<uint8_t>(bytes);
    ValidateArchive(image, kind);
    return uint32_t{FrameCount(image)};
  });
}

}  // namespace

EMSCRIPTEN_BINDINGS(icnkit) {
  emscripten::function("version", &Version);
  emscripten::function("frameCount", &FrameCountOf);
}
