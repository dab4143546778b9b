// A zip file of files kept as they are (method 0, "stored"), as the page's
// "Download frames" saves a frame folder: CRC-32 from zlib, every entry
// dated 1980-01-01 00:00 so the same files give the same bytes; past 65,534
// entries the count is in a zip64 end record (a 65,535-frame archive's
// folder holds 65,536 files).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "icnkit/folders.h"

// Throws icnkit::Error (InvalidInput) "Zip too large" when a file or the
// whole would pass 4 GiB, and for a name longer than 65,535 bytes.
std::vector<uint8_t> StoredZip(std::span<const icnkit::NamedFile> files);
