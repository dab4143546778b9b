#include "pack/PackerGeneration.h"

namespace icnkit {

namespace {

const TPackerGeneration kMorlet = {"Morlet", kH1Generation};
const TPackerGeneration kMorvix = {"Morvix", kH2Generation};

}  // namespace

const TPackerGeneration& PackerGeneration(TIcnGeneration generation) {
  return generation == TIcnGeneration::H1 ? kMorlet : kMorvix;
}

}  // namespace icnkit
