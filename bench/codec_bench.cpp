// Frame codec throughput in pixels per second, beside a memset of the same
// raster as the floor that decoding is measured against.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "format/FrameCodec.h"
#include "format/H1Codec.h"
#include "format/H2Codec.h"
#include "format/MaskedRuns.h"
#include "testdata/ArchiveBuilder.h"

using namespace icnkit;

namespace {

constexpr int32_t kSide = 256;

// Two synthetic 256 x 256 frames, each about 30% transparent.
//  - Sprite: a figure on a transparent background. Every row has margins on
//    both sides and now and then a hole; inside, shaded pixels (literal
//    runs of mixed lengths) with flat spans, which for H2 are partly the
//    indices that special runs carry (shadow 5, 6, 7 and the table's).
//  - Fragmented: short spans of every kind from 1 to 48 pixels, so nearly
//    every run is short: the worst case for per-run costs.
enum TShape { kSprite = 0, kFragmented = 1 };

const uint8_t kSpecials[] = {5, 6, 7, 0x04, 0x01, 0x09, 0xF6, 0xFC};

void PaintSpan(std::mt19937& random, uint8_t* at, int32_t n, bool specials) {
  const int kind = int(random() % 4);
  if (specials && kind == 0) {
    std::memset(at, kSpecials[random() % std::size(kSpecials)], size_t(n));
  } else if (kind == 1) {
    std::memset(at, uint8_t(16 + random() % 200), size_t(n));
  } else {
    const uint8_t base = uint8_t(32 + random() % 180);
    for (int32_t i = 0; i < n; ++i) at[i] = uint8_t(base + random() % 8);
  }
}

std::vector<uint8_t> Frame(TShape shape, bool specials) {
  std::mt19937 random(12345);
  std::vector<uint8_t> pixels(size_t(kSide) * kSide, 0);
  for (int32_t y = 0; y < kSide; ++y) {
    uint8_t* row = &pixels[size_t(y) * kSide];
    if (shape == kSprite) {
      // Margins of 38 pixels on average on each side, some jitter.
      const int32_t left = 20 + int32_t(random() % 37), right = kSide - 20 - int32_t(random() % 37);
      int32_t x = left;
      while (x < right) {
        const int32_t n = std::min<int32_t>(4 + int32_t(random() % 60), right - x);
        PaintSpan(random, row + x, n, specials);
        x += n;
        if (random() % 6 == 0) x += 1 + int32_t(random() % 6);  // a hole
      }
    } else {
      int32_t x = 0;
      while (x < kSide) {
        const bool transparent = random() % 100 < 30;
        const int32_t n =
            std::min<int32_t>(1 + int32_t(random() % (transparent ? 24 : 48)), kSide - x);
        if (!transparent) PaintSpan(random, row + x, n, specials);
        x += n;
      }
    }
  }
  return pixels;
}

using TEncoder = void (*)(std::vector<uint8_t>&, const uint8_t*, ptrdiff_t, int32_t, int32_t, bool);
using TDecoder = void (*)(std::span<const uint8_t>, const TFrameRaster&, bool);

void RunDecode(benchmark::State& state, TIcnGeneration generation, TDecoder decode, bool specials,
               bool fillOnly) {
  const std::vector<uint8_t> stream = testdata::EncodeFrame(
      generation, Frame(TShape(state.range(0)), specials), kSide, kSide, fillOnly);
  std::vector<uint8_t> raster(size_t(kSide) * kSide);
  const TFrameRaster target{raster.data(), kSide, kSide, kSide};
  for (auto _ : state) {
    decode(stream, target, fillOnly);
    benchmark::DoNotOptimize(raster.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  state.counters["stream_bytes"] = double(stream.size());
  state.SetLabel(state.range(0) == kSprite ? "sprite" : "fragmented");
}

// A run as the decoder writes it: Length pixels at To in the raster,
// copied from the stream at From (literal) or all of Value (fill).
struct TRunMove {
  uint32_t To = 0;
  uint32_t From = 0;
  uint32_t Length = 0;
  bool Fill = false;
  uint8_t Value = 0;
};

// Reads the codes of a stream one after another, a branch per kind, and
// writes nothing: where a code starts depends on the length of the literal
// run before it, so this chain of dependent reads is in the decode time too,
// and faster moves cannot take it out (the second floor decoding is read
// against). With Record, also notes each run the decoder writes in runs
// (frames within kSide x kSide, as the encoder makes them).
template <bool Record = false>
size_t WalkCodes(std::span<const uint8_t> stream, bool h2, std::vector<TRunMove>* runs = nullptr) {
  const uint8_t* const begin = stream.data();
  const uint8_t* p = begin;
  const uint8_t* const end = p + stream.size();
  size_t rows = 0;
  [[maybe_unused]] uint32_t x = 0;
  while (p < end) {
    const uint8_t code = *p++;
    if (code == 0x80) break;
    if (code == 0x00) {
      ++rows;
      if constexpr (Record) x = 0;
    } else if (code < 0x80) {
      if constexpr (Record) {
        runs->push_back({uint32_t(rows * kSide + x), uint32_t(p - begin), code, false, 0});
        x += code;
      }
      p += code;
    } else if (h2 && code >= 0xC0 && p < end) {
      if constexpr (Record) {
        // Only the encoder's special runs: 0xC0 m [n].
        const uint8_t selector = p[0];
        const uint32_t n = (selector & 3) != 0 ? selector & 3u : p[1];
        runs->push_back(
            {uint32_t(rows * kSide + x), 0, n, true, kH2CodeTable.SelectorValue[selector]});
        x += n;
      }
      p += code == 0xC0 ? ((*p & 3) != 0 ? 1 : 2) : code == 0xC1 ? 2 : 1;
    } else if constexpr (Record) {
      x += code - 0x80u;
    }
  }
  return rows + size_t(p - stream.data());
}

void RunWalk(benchmark::State& state, TIcnGeneration generation, bool specials) {
  const std::vector<uint8_t> stream = testdata::EncodeFrame(
      generation, Frame(TShape(state.range(0)), specials), kSide, kSide, false);
  const bool h2 = generation == TIcnGeneration::H2;
  for (auto _ : state) {
    size_t walked = WalkCodes(stream, h2);
    benchmark::DoNotOptimize(walked);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  state.SetLabel(state.range(0) == kSprite ? "sprite" : "fragmented");
}

// The moves alone: the runs of the same stream, noted beforehand, written
// one after another, no code read. Library: the C library's memcpy and
// memset per run; Masked: the decoder's masked moves (format/MaskedRuns.h).
// A decoder that writes its runs one by one with these moves cannot go
// below the lesser of the two, however fast it finds the runs (the first
// floor decoding is read against).
void RunMoves(benchmark::State& state, TIcnGeneration generation, bool specials, bool masked) {
  const std::vector<uint8_t> stream = testdata::EncodeFrame(
      generation, Frame(TShape(state.range(0)), specials), kSide, kSide, false);
  std::vector<TRunMove> runs;
  WalkCodes<true>(stream, generation == TIcnGeneration::H2, &runs);
  if (masked && !MaskedRunsAvailable()) {
    state.SkipWithError("no masked moves in this processor or build");
    return;
  }
  const auto writeRuns = [&](uint8_t* const to) {
    for (const TRunMove& run : runs) {
      if (!masked) {
        if (run.Fill) {
          std::memset(to + run.To, run.Value, run.Length);
        } else {
          std::memcpy(to + run.To, &stream[run.From], run.Length);
        }
        continue;
      }
#ifdef ICN_HAVE_MASKED_RUNS
      if (run.Fill) {
        MaskedFillRun(to + run.To, run.Value, run.Length);
      } else {
        MaskedCopyRun(to + run.To, &stream[run.From], run.Length);
      }
#endif
    }
  };
  // The floor counts only if its moves make the decoder's frame.
  std::vector<uint8_t> raster(size_t(kSide) * kSide, 0);
  std::vector<uint8_t> decoded(raster.size(), 0);
  writeRuns(raster.data());
  (generation == TIcnGeneration::H1 ? DecodeH1Frame : DecodeH2Frame)(
      stream, TFrameRaster{decoded.data(), kSide, kSide, kSide}, false);
  if (raster != decoded) {
    state.SkipWithError("the noted runs do not make the decoded frame");
    return;
  }
  for (auto _ : state) {
    writeRuns(raster.data());
    benchmark::DoNotOptimize(raster.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  state.counters["runs"] = double(runs.size());
  state.SetLabel(state.range(0) == kSprite ? "sprite" : "fragmented");
}

void RunEncode(benchmark::State& state, TEncoder encode, bool specials, bool fillOnly) {
  const std::vector<uint8_t> pixels = Frame(TShape(state.range(0)), specials);
  std::vector<uint8_t> stream;
  for (auto _ : state) {
    stream.clear();
    encode(stream, pixels.data(), kSide, kSide, kSide, fillOnly);
    benchmark::DoNotOptimize(stream.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  state.SetLabel(state.range(0) == kSprite ? "sprite" : "fragmented");
}

void BM_MemsetFloor(benchmark::State& state) {
  std::vector<uint8_t> raster(size_t(kSide) * kSide);
  uint8_t value = 0;
  for (auto _ : state) {
    std::memset(raster.data(), value++, raster.size());
    benchmark::DoNotOptimize(raster.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_H1Decode(benchmark::State& s) {
  RunDecode(s, TIcnGeneration::H1, DecodeH1Frame, false, false);
}
void BM_H1DecodeFillOnly(benchmark::State& s) {
  RunDecode(s, TIcnGeneration::H1, DecodeH1Frame, false, true);
}
void BM_H2Decode(benchmark::State& s) {
  RunDecode(s, TIcnGeneration::H2, DecodeH2Frame, true, false);
}
// The same loop without masked moves (format/MaskedRuns.h): what processors
// without them run.
void BM_H1DecodePortable(benchmark::State& s) {
  RunDecode(s, TIcnGeneration::H1, icn_detail::DecodeFrameAs<kH1CodeTable, false>, false, false);
}
void BM_H2DecodePortable(benchmark::State& s) {
  RunDecode(s, TIcnGeneration::H2, icn_detail::DecodeFrameAs<kH2CodeTable, false>, true, false);
}
void BM_H1Walk(benchmark::State& s) {
  RunWalk(s, TIcnGeneration::H1, false);
}
void BM_H2Walk(benchmark::State& s) {
  RunWalk(s, TIcnGeneration::H2, true);
}
void BM_H1MovesLibrary(benchmark::State& s) {
  RunMoves(s, TIcnGeneration::H1, false, false);
}
void BM_H1MovesMasked(benchmark::State& s) {
  RunMoves(s, TIcnGeneration::H1, false, true);
}
void BM_H2MovesLibrary(benchmark::State& s) {
  RunMoves(s, TIcnGeneration::H2, true, false);
}
void BM_H2MovesMasked(benchmark::State& s) {
  RunMoves(s, TIcnGeneration::H2, true, true);
}
void BM_H1Encode(benchmark::State& s) {
  RunEncode(s, EncodeH1Frame, false, false);
}
void BM_H2Encode(benchmark::State& s) {
  RunEncode(s, EncodeH2Frame, true, false);
}

BENCHMARK(BM_MemsetFloor);
BENCHMARK(BM_H1Decode)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H1DecodeFillOnly)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H2Decode)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H1DecodePortable)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H2DecodePortable)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H1Walk)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H2Walk)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H1MovesLibrary)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H1MovesMasked)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H2MovesLibrary)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H2MovesMasked)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H1Encode)->Arg(kSprite)->Arg(kFragmented);
BENCHMARK(BM_H2Encode)->Arg(kSprite)->Arg(kFragmented);

}  // namespace

BENCHMARK_MAIN();
