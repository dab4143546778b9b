// morlet: packs H1 frame folders into ICN archives.
#include "pack/PackerCommandLine.h"

int main(int argc, char** argv) {
  return RunPacker(TIcnGeneration::H1, argc, argv);
}
