// What "icnkit info" tells about an archive, as a table and as JSON.
//
// JSON (one object per archive, in an array):
//   { "file": "<path as given>", "size": <bytes>, "generation": "H1"|"H2",
//     "frame_count": <n>,
//     "rectangle": {"x", "y", "width", "height"} or null without frames,
//     "frames": [ { "index", "left", "top", "width", "height",
//                   "bits", "fill_only", "offset", "length" }, ... ] }
// "offset" is the stream's first byte in the file, "length" its bytes up to
// and including its end-of-frame code, or null when it has none inside the
// file.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "icnkit/archive.h"

// The description of an open archive, called path.
nlohmann::ordered_json ArchiveInfoJson(const icnkit::Archive& archive, const std::string& path);

// The same as a readable table: a heading line, then one line per frame.
std::string ArchiveInfoTable(const nlohmann::ordered_json& info);
