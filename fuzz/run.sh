#!/usr/bin/env bash
# fuzz/run.sh SECONDS [TARGET ...]: builds the fuzz targets with clang in
# build-fuzz and runs each target (all eight by default) for SECONDS seconds,
# one after the other (FUZZ_PARALLEL=2 runs two at a time). New inputs are
# kept in fuzz/corpus/<target>/, findings land in fuzz/artifacts/<target>/.
# Prints the closing figures of every run; fails when any target found
# something.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET ...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(archive_h1 archive_h2 bmp_load settings mask_match png_read palette_file sheet_json)
build=${ICNKIT_FUZZ_BUILD:-build-fuzz}
parallel=${FUZZ_PARALLEL:-1}

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DICNKIT_FUZZ=ON \
  -DICNKIT_BUILD_TESTS=OFF -DICNKIT_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${FUZZ_JOBS:-2}" --target icnkit_fuzz

# Seeds: our generator's files, and every committed corrupt input that once
# broke something, given to the target that reads its kind.
seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$build/fuzz/icnkit_fuzz_seeds" "$seeds"
shopt -s nullglob
for f in tests/data/corrupt/h1_* tests/data/corrupt/unpack_h1_*; do cp "$f" "$seeds/archive_h1/"; done
for f in tests/data/corrupt/h2_* tests/data/corrupt/unpack_h2_*; do cp "$f" "$seeds/archive_h2/"; done
for f in tests/data/corrupt/*.bmp; do cp "$f" "$seeds/bmp_load/"; done
for f in tests/data/corrupt/*.ini; do cp "$f" "$seeds/settings/"; done
for f in tests/data/corrupt/mask_*; do cp "$f" "$seeds/mask_match/"; done
for f in tests/data/corrupt/*.png; do cp "$f" "$seeds/png_read/"; done
# Palette files get the first byte that gives them their name back
# (fuzz/palette_file.cpp).
for f in tests/data/corrupt/palette_*; do
  case ${f##*.} in bmp) n=0 ;; png) n=1 ;; pal) n=2 ;; gpl) n=3 ;; act) n=4 ;; raw) n=5 ;; *) n=7 ;; esac
  { printf "\\$(printf %o "$n")"; cat "$f"; } >"$seeds/palette_file/$(basename "$f")"
done
for f in tests/data/corrupt/*.json; do cp "$f" "$seeds/sheet_json/"; done

max_len() {
  case $1 in
    archive_h1 | archive_h2 | bmp_load | png_read | sheet_json) echo 16384 ;;
    palette_file) echo 8192 ;;
    settings) echo 4096 ;;
    *) echo 256 ;;
  esac
}

logs="$build/fuzz-logs"
mkdir -p "$logs"
run_one() {
  local t=$1
  mkdir -p "fuzz/corpus/$t" "fuzz/artifacts/$t"
  # A single input that takes 10 s, or an allocation beyond 2 GiB, is a finding.
  "$build/fuzz/$t" -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=10 \
    -rss_limit_mb=2560 -malloc_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="fuzz/artifacts/$t/" "fuzz/corpus/$t" "$seeds/$t" >"$logs/$t.log" 2>&1
}

status=0
pids=()
names=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  names+=("$t")
  if [ ${#pids[@]} -ge "$parallel" ]; then
    wait "${pids[0]}" || { echo "== ${names[0]}: FINDING, see $logs/${names[0]}.log"; status=1; }
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || { echo "== ${names[$i]}: FINDING, see $logs/${names[$i]}.log"; status=1; }
done

for t in "${targets[@]}"; do
  # The last status line carries cov: and ft:; the final stats the runs.
  last=$(grep -E '^#[0-9]+' "$logs/$t.log" | tail -1 || true)
  runs=$(grep -E '^stat::number_of_executed_units' "$logs/$t.log" | awk '{print $2}' || true)
  echo "== $t: ${runs:-?} executions; ${last:-no status line}"
done
exit $status
