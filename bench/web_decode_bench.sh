#!/usr/bin/env bash
# Decoding every frame of a 2,000-frame 256 x 256 archive: the WebAssembly
# module under Node (kit.open and archive.decode of each frame,
# bench/web_decode_bench.mjs; ICNKIT_WEB_DIR another build of it) against the
# native library on the same machine in the same run, both starting from
# the archive's bytes in memory and ending with every frame's record and
# pixels in memory the caller keeps (bench/api_decode_bench.cpp: Frame and
# Decode of each frame, kept). For comparison only, a second line against
# the native decode that drops each frame at once. Needs build-web/web (cmake --preset web
# && cmake --build --preset web) and build/bin/api_decode_bench (the dev
# build with Google Benchmark installed).
#   bench/web_decode_bench.sh [REPETITIONS (default 5)]
# Each repetition times the best of 3 runs of each side, one right after
# the other; prints the figures, then
#   RATIO web decode / native  <median>  (range ...)  goal <= 2.5  met|MISSED
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/bench_common.sh
repetitions=${1:-5}
native=${ICNKIT_BIN:-build/bin}/api_decode_bench
[[ -x $native ]] || { echo "$native is not built (cmake --build build --target api_decode_bench)" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
archive=$scratch/frames2000.icn
node bench/web_decode_bench.mjs "$archive" --make 2000 256
echo "archive: 2000 frames of 256 x 256, $(stat -c %s "$archive") bytes"
ratios=()
dropped_ratios=()
for ((r = 1; r <= repetitions; ++r)); do
  read -r native_s native_px dropped_s < <("$native" "$archive" 3)
  read -r web_s web_px < <(node bench/web_decode_bench.mjs "$archive" 3)
  ratio=$(awk -v w="$web_s" -v n="$native_s" 'BEGIN { printf "%.3f", w / n }')
  dropped=$(awk -v w="$web_s" -v n="$dropped_s" 'BEGIN { printf "%.3f", w / n }')
  echo "run $r: native ${native_s} s (frames dropped ${dropped_s} s), web ${web_s} s," \
    "ratio $ratio ($dropped)"
  ratios+=("$ratio")
  dropped_ratios+=("$dropped")
done
ratio_line "web decode / native" 2.5 "${ratios[@]}"
ratio_line "web decode / native, frames dropped" - "${dropped_ratios[@]}"
