// What "icnkit info" tells about an archive: its generation, frames,
// rectangle and each frame's record and stream, as JSON or as a table.
//
// JSON, one object per archive:
//   { "file": "<file as given>", "size": <bytes>, "generation": "H1"|"H2",
//     "frame_count": <n>,
//     "rectangle": {"x", "y", "width", "height"} or null without frames,
//     "frames": [ { "index", "left", "top", "width", "height",
//                   "bits", "fill_only", "offset", "length" }, ... ] }
// "offset" is the stream's first byte in the file, "length" its bytes up to
// and including its end-of-frame code, or null when it has none inside the
// file.
#pragma once

#include <span>
#include <string>

#include "icnkit/archive.h"
#include "icnkit/export.h"

namespace icnkit {

// The JSON object of archive, called file, indented by two spaces a level
// and without a closing newline: an element of "icnkit info --json"'s array.
ICNKIT_API std::string InfoJson(const Archive& archive, const std::string& file);

// "icnkit info --json"'s output for objects (InfoJson's, in order): one
// JSON array, closed by a newline.
ICNKIT_API std::string InfoJsonDocument(std::span<const std::string> objects);

// "icnkit info"'s table of archive, called file: a heading line, then, for
// an archive with frames, a line of column names and a line per frame.
ICNKIT_API std::string InfoTable(const Archive& archive, const std::string& file);

}  // namespace icnkit
