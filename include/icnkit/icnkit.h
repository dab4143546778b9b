// icnkit: ICN sprite archives (H1 and H2) to and from images, sheets, GIFs
// and frame folders. This header includes every part of the library.
//
// Conventions of every part: names in namespace icnkit; a failure throws
// icnkit::Error (error.h) with the message the icnkit tools show; bytes in
// and out as std::span<const uint8_t> and std::vector<uint8_t>; images as
// palette indices (raster.h), index 0 transparent.
#pragma once

#include "icnkit/archive.h"
#include "icnkit/error.h"
#include "icnkit/export.h"
#include "icnkit/files.h"
#include "icnkit/folders.h"
#include "icnkit/gallery.h"
#include "icnkit/generation.h"
#include "icnkit/images.h"
#include "icnkit/info.h"
#include "icnkit/palette.h"
#include "icnkit/raster.h"
#include "icnkit/sheet.h"
#include "icnkit/version.h"
