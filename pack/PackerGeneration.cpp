#include "pack/PackerGeneration.h"

#include "format/H1Codec.h"
#include "format/H2Codec.h"

namespace {

const TPackerGeneration kMorlet = {
    "Morlet", TIcnGeneration::H1, TIcnFrameH1::kSize, PrepareH1ClassTables, EncodeH1Frame, false,
};

const TPackerGeneration kMorvix = {
    "Morvix", TIcnGeneration::H2, TIcnFrameH2::kSize, PrepareH2ClassTables, EncodeH2Frame, true,
};

}  // namespace

const TPackerGeneration& PackerGeneration(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? kMorlet : kMorvix;
}
