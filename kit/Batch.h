// One subcommand's work over many items (archives, frame folders) with -j,
// the progress bar and the report of every failure.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "kit/Kit.h"

namespace icnkit {

// Runs work(index, file) for each of count items, jobs at a time (kit/Jobs.h).
// work returns the frames it did (for the progress bar) and may set file to
// the file a failure concerns, else an icnkit::Error's File() is taken; a
// failure is reported as "icnkit: file: message" (or "icnkit:
// message" with file empty or in the message). Returns 0, or 1 after any
// failure.
int RunBatch(TKit& kit, size_t count, unsigned jobs,
             const std::function<size_t(size_t index, std::string& file)>& work);

}  // namespace icnkit
