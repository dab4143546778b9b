// dravel: unpacks H1 sprite archives into frame folders or previews.
#include "unpack/UnpackerCommandLine.h"

int main(int argc, char** argv) {
  return RunUnpacker(kDravelGeneration, argc, argv);
}
