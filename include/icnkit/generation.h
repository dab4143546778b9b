// The two generations of ICN archives, H1 and H2.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "icnkit/export.h"

namespace icnkit {

enum class Generation { H1, H2 };

// "H1" or "H2".
ICNKIT_API const char* GenerationName(Generation generation);

// "H1" or "h1" is H1, "H2" or "h2" H2. Throws Error (InvalidInput)
// "Unknown generation: <text> (H1 or H2)" for anything else.
ICNKIT_API Generation ParseGeneration(std::string_view text);

// The generation whose structure an archive's bytes fit, as icnkit tells it:
// the frame table lies in the file, the first stream starts right after it,
// and every stream ends within the file and the length its frame allows.
// None when neither fits, or both (an archive without frames).
ICNKIT_API std::optional<Generation> DetectGeneration(std::span<const uint8_t> bytes);

// The generation DetectGeneration tells, or why none, in the words of every
// face (name: the archive's; advice: how the caller gives the generation
// instead, "use -g"). Throws Error (InvalidInput): "cannot tell whether
// <name> is H1 or H2; <advice>" when both fit; the unpacker's reason for an
// archive of one generation cut short or damaged ("Invalid archive: frame 2
// starts outside the file"); "Not an archive: <name>" for anything else.
ICNKIT_API Generation ArchiveGeneration(std::span<const uint8_t> bytes, const std::string& name,
                                        const std::string& advice);

}  // namespace icnkit
