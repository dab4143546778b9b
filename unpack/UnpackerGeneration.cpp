#include "unpack/UnpackerGeneration.h"

namespace icnkit {

const TUnpackerGeneration kDravelGeneration = {
    .ProgramName = "Dravel",
    .Format = kH1Generation,
    .PreviewPattern = "*",
    .StdPreviewStart = true,
};

const TUnpackerGeneration kDravixGeneration = {
    .ProgramName = "Dravix",
    .Format = kH2Generation,
    .PreviewPattern = "*.icn",
    .StdPreviewStart = false,
};

const TUnpackerGeneration& UnpackerGeneration(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? kDravelGeneration : kDravixGeneration;
}

}  // namespace icnkit
