// The body of the archive_h1 and archive_h2 fuzz targets: the bytes as an
// archive image, taken through the frame folder export's steps in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/IcnArchive.h"

using namespace icnkit;

void FuzzArchive(TIcnGeneration generation, const uint8_t* data, size_t size);
