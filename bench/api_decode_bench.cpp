// The native side of web_decode_bench.sh and python_bench.py: the best wall
// time, over REPEATS runs, of what the WebAssembly module's open() and a
// script's frames give, through the public API: the archive opened from its bytes in memory, and
// every frame's record (Frame) and pixels (Decode) kept until all are decoded, as open() keeps them
// in its result. For comparison, the best time of decoding every frame and dropping it at once
// (Decode alone), which leaves out the memory the frames take: each frame reuses the last one's.
// pixels: the frames' pixels of one run.
//   api_decode_bench ARCHIVE REPEATS  ->  "<seconds> <pixels> <seconds dropped>"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "icnkit/icnkit.h"

using namespace icnkit;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: api_decode_bench ARCHIVE REPEATS\n");
    return 2;
  }
  try {
    const icnkit::Archive opened = icnkit::Archive::OpenFile(argv[1]);
    const std::span<const uint8_t> file = opened.Bytes();
    double best = 1e30, bestDropped = 1e30;
    size_t pixels = 0;
    for (int run = 0; run < std::atoi(argv[2]); ++run) {
      auto start = std::chrono::steady_clock::now();
      const icnkit::Archive archive = icnkit::Archive::Open(file, nullptr, opened.Generation());
      std::vector<std::pair<icnkit::FrameRecord, icnkit::Raster>> frames;
      frames.reserve(archive.FrameCount());
      for (size_t i = 0; i < archive.FrameCount(); ++i) {
        frames.emplace_back(archive.Frame(i), archive.Decode(i));
      }
      std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      best = std::min(best, took.count());
      pixels = 0;
      for (const auto& frame : frames) pixels += frame.second.pixels.size();
      frames.clear();
      start = std::chrono::steady_clock::now();
      const icnkit::Archive again = icnkit::Archive::Open(file, nullptr, opened.Generation());
      size_t dropped = 0;
      for (size_t i = 0; i < again.FrameCount(); ++i) dropped += again.Decode(i).pixels.size();
      took = std::chrono::steady_clock::now() - start;
      bestDropped = std::min(bestDropped, took.count());
      if (dropped != pixels) throw std::runtime_error("the two decodes differ");
    }
    std::printf("%.6f %zu %.6f\n", best, pixels, bestDropped);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
