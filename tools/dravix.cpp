// dravix: unpacks H2 sprite archives into frame folders or previews.
#include "unpack/UnpackerCommandLine.h"

int main(int argc, char** argv) {
  return RunUnpacker(kDravixGeneration, argc, argv);
}
