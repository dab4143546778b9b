#include "unpack/UnpackerGeneration.h"

namespace {

constexpr const char* kH1Extensions[] = {".icn", ".obj", ".atk", ".std", ".wlk", ".wip", ".xtl"};
constexpr const char* kH2Extensions[] = {".icn"};

}  // namespace

const TUnpackerGeneration kDravelGeneration = {
    .ProgramName = "Dravel",
    .Format = kH1Generation,
    .AcceptedExtensions = kH1Extensions,
    .PreviewPattern = "*",
    .PaletteName = "H1Palette.bmp",
    .StdPreviewStart = true,
};

const TUnpackerGeneration kDravixGeneration = {
    .ProgramName = "Dravix",
    .Format = kH2Generation,
    .AcceptedExtensions = kH2Extensions,
    .PreviewPattern = "*.icn",
    .PaletteName = "H2Palette.bmp",
    .StdPreviewStart = false,
};
