// morvix: packs H2 frame folders into ICN archives.
#include "pack/PackerCommandLine.h"

int main(int argc, char** argv) {
  return RunPacker(TIcnGeneration::H2, argc, argv);
}
