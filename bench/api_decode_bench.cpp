// The native side of bench/python_bench.py and bench/web_decode_bench.sh:
// every frame of an archive decoded through the public API
// (icnkit::Archive::Decode), each into a raster of its own that is kept, as
// a script's frames keep their arrays.
//
// Usage: api_decode_bench ARCHIVE REPEATS
// Prints the best wall time of REPEATS runs in seconds, and the pixels of
// one run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "icnkit/icnkit.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: api_decode_bench ARCHIVE REPEATS\n");
    return 2;
  }
  try {
    const int repeats = std::atoi(argv[2]);
    double best = 1e30;
    size_t pixels = 0;
    for (int run = 0; run < repeats; ++run) {
      const icnkit::Archive archive = icnkit::Archive::OpenFile(argv[1]);
      const auto start = std::chrono::steady_clock::now();
      std::vector<icnkit::Raster> frames;
      frames.reserve(archive.FrameCount());
      for (size_t i = 0; i < archive.FrameCount(); ++i) frames.push_back(archive.Decode(i));
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      best = std::min(best, took.count());
      pixels = 0;
      for (const icnkit::Raster& frame : frames) pixels += frame.pixels.size();
    }
    std::printf("%.6f %zu\n", best, pixels);
  } catch (const icnkit::Error& error) {
    std::fprintf(stderr, "api_decode_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
