// The "Generation" key of a frame folder's setup.ini ([Position]), which
// "icnkit unpack" (and the library's unpack) writes ("H1" or "H2",
// TFrameOutput::GenerationKey) and "icnkit pack" reads when -g does not
// say. The legacy packers read only X, Y and [Bits], so the key changes
// nothing for them.
#pragma once

#include <optional>
#include <string>

#include "format/IcnArchive.h"
#include "fs/FileSystem.h"

namespace icnkit {

// The key's generation in folder's setup.ini (folder ends in a delimiter);
// none when setup.ini or the key is missing. Raises "Generation is
// "<value>", not H1 or H2" for another value.
std::optional<TIcnGeneration> ReadGenerationKey(TFileSystem& fs, const std::string& folder);

}  // namespace icnkit
