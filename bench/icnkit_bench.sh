#!/usr/bin/env bash
# bench/icnkit_bench.sh BIN [COUNT] [JOBS]: icnkit unpack -j JOBS (default
# 2) over COUNT archives per generation (default 150, so 300 in all) against
# the legacy unpackers run once per archive, as a script would call them.
# The archives are packed from the frame folders of bench/make_corpus.py by
# the legacy packers. Both runs write BMP frame folders; the script checks
# that every bitmap is the same and prints the wall-clock time of each.
set -euo pipefail
bin=$(realpath "${1:?usage: icnkit_bench.sh BIN [COUNT] [JOBS]}")
count=${2:-150}
jobs=${3:-2}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$here/make_corpus.py" "$work/corpus" "$count" >/dev/null
for generation in h1 h2; do
  if [ $generation = h1 ]; then packer=morlet; else packer=morvix; fi
  for folder in "$work/corpus/$generation"/*.icn.cadres; do
    "$bin/$packer" "$folder" >/dev/null
  done
  mkdir -p "$work/legacy/$generation" "$work/kit/$generation"
  cp "$work/corpus/$generation"/*.icn "$work/legacy/$generation/"
  cp "$work/corpus/$generation"/*.icn "$work/kit/$generation/"
done
archives=$(find "$work/legacy" -name '*.icn' | wc -l)
frames=$(find "$work/corpus" -name '*.bmp' | wc -l)
sync

seconds() { date +%s.%N; }
start=$(seconds)
for archive in "$work/legacy/h1"/*.icn; do "$bin/dravel" "$archive" >/dev/null; done
for archive in "$work/legacy/h2"/*.icn; do "$bin/dravix" "$archive" >/dev/null; done
legacy=$(echo "$(seconds) - $start" | bc)

start=$(seconds)
"$bin/icnkit" unpack -q -j "$jobs" "$work/kit/h1" "$work/kit/h2"
kit=$(echo "$(seconds) - $start" | bc)

# The same bitmaps (setup.ini differs by icnkit's Generation key).
if ! diff -r -x setup.ini "$work/legacy" "$work/kit" >/dev/null; then
  echo "icnkit_bench: the frame folders differ" >&2
  exit 1
fi
printf 'archives %d, frames %d\n' "$archives" "$frames"
printf 'legacy unpackers, one run per archive: %.2f s\n' "$legacy"
printf 'icnkit unpack -j %d:                    %.2f s (%.1fx)\n' "$jobs" "$kit" \
  "$(echo "$legacy / $kit" | bc -l)"
