// The native side of web_decode_bench.sh: the best wall time, over
// REPEATS runs, of decoding every frame of ARCHIVE through the public API
// (icnkit::Archive::Decode), as the WebAssembly module's open() does.
//   api_decode_bench ARCHIVE REPEATS  ->  "<seconds>"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "icnkit/icnkit.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: api_decode_bench ARCHIVE REPEATS\n");
    return 2;
  }
  try {
    const icnkit::Archive archive = icnkit::Archive::OpenFile(argv[1]);
    double best = 1e30;
    size_t checksum = 0;
    for (int run = 0; run < std::atoi(argv[2]); ++run) {
      const auto start = std::chrono::steady_clock::now();
      for (size_t i = 0; i < archive.FrameCount(); ++i) checksum += archive.Decode(i).pixels.size();
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      best = std::min(best, took.count());
    }
    std::printf("%.6f %zu\n", best, checksum);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
