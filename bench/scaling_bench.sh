#!/usr/bin/env bash
# Scaling benchmark: unpacks and packs archives of 1,000, 10,000 and 65,535
# small frames with each generation's tools and prints the wall time per
# frame. The cost must stay linear: the per-frame time at 65,535 frames may
# be at most 1.5 times that at 1,000 (the script fails otherwise). Then the
# peak memory of unpacking the 65,535-frame archive (/usr/bin/time -v), and
# two archives whose union rectangle is huge: one beyond what a BMP can hold
# (frames at Left/Top -32768 and at 32767 with Width/Height 65535), which
# must fail with "Bitmap too large" at once, and one that is large but legal;
# last 65,535 frames sharing one endless stream of 256 KiB (a hostile file).
#
# Each measurement is the best of RUNS runs (the machine is shared). All
# files go to a scratch folder ($ICNKIT_BENCH_DIR, default a fresh folder
# under /dev/shm, else /tmp), removed at the end unless ICNKIT_BENCH_KEEP=1.
# A memory file system measures the tools rather than the disk: on a shared
# virtual disk creating a file costs about a millisecond and varies by the
# minute, which would drown what the tools themselves spend per frame.
#
# Usage: bench/scaling_bench.sh [build/bin] [runs]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/bench_common.sh"
base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
bench_init scaling-bench 5 "$base" "${1:-}" "${2:-}" dravel dravix morlet morvix

# The archives: N frames of 2..6 x 2..6 pixels within a 12 x 12 union,
# random indices 1..4 with transparent holes. Only codes both generations
# share are written (literal, skip, end of row, end of frame).
python3 "$here/make_scaling_archives.py" .

status=0
printf '%-8s %-7s %8s %10s %12s\n' tool frames seconds "us/frame" "vs 1000"
for gen in h1 h2; do
  if [ $gen = h1 ]; then unpack=dravel pack=morlet; else unpack=dravix pack=morvix; fi
  for phase in unpack pack; do
    base=""
    for count in 1000 10000 65535; do
      archive=${gen}_${count}.icn
      if [ $phase = unpack ]; then
        t=$(best_of "rm -rf $archive.cadres" "$bin/$unpack" "$archive")
        tool=$unpack
      else
        t=$(best_of "" "$bin/$pack" "$archive")
        tool=$pack
      fi
      per=$(awk "BEGIN{printf \"%.1f\", $t * 1e6 / $count}")
      [ -n "$base" ] || base=$per
      ratio=$(awk "BEGIN{printf \"%.2f\", ($base > 0 ? $per / $base : 0)}")
      printf '%-8s %-7s %8s %10s %12s\n' "$tool" "$count" "$t" "$per" "$ratio"
      if [ "$count" = 65535 ] && awk "BEGIN{exit !($ratio > 1.5)}"; then
        echo "   ^ per-frame cost grew more than 1.5x: not linear" >&2
        status=1
      fi
    done
  done
done

rm -rf h1_65535.icn.cadres
/usr/bin/time -v -o .time "$bin/dravel" h1_65535.icn >/dev/null 2>&1
peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' .time)
echo "peak memory, dravel over 65535 frames: ${peak} KiB"

# The huge unions and the endless shared stream: time, peak memory and
# the outcome.
for archive in h1_far.icn h1_large.icn h1_endless.icn; do
  rm -rf "$archive.cadres"
  message=$(/usr/bin/time -f 'TIME %e %M' -o .time "$bin/dravel" "$archive" 2>&1 | head -1 | tr -d '\r' || true)
  stats=$(awk '/^TIME/ {printf "%s s, %s KiB peak", $2, $3}' .time)
  echo "$archive: $message ($stats)"
done
far=$("$bin/dravel" h1_far.icn 2>&1 || true)
if [[ $far != *"Bitmap too large"* ]]; then
  echo "h1_far.icn did not fail with Bitmap too large" >&2
  status=1
fi
exit $status
