#!/usr/bin/env bash
# GIF memory benchmark: icnkit gif on the 2,000 frames of 256 x 256 of
# bench/bench_archives.py (sprites, H2) at each scale of
# $ICNKIT_BENCH_GIF_SCALES (default "1 2 4"), its peak memory set against
# what the GIF may hold: 2 x the archive plus one scaled frame, the screen
# (union rectangle scaled, read from the GIF), one byte a pixel. The GIF is
# written as it is encoded, so the ratio does not grow with the frames or
# the scale. Then --scale 64, whose screen (16,512 x 16,640) is past the
# pixel bound: it must fail at once with "Bitmap too large" (the script
# fails otherwise). Last, the gallery of four archives of 65,535 frames
# (pixels, H2) against that of one: an archive keeps only its card's facts
# once its page is written, so the peak does not grow with the archives.
#
# Prints a table, then the lines a reader checks, beginning with RATIO:
#   gif memory scale S       goal <= 1: (peak - the usage text's peak) /
#                            (2 x archive + one scaled frame), as
#                            memory_ratio in bench_common.sh
#   gallery memory 4/1       goal <= 1.1: peak of four archives / of one
#
# Usage: bench/gif_bench.sh [build/bin] [runs, default 3]
#   (environment: ICNKIT_BENCH_GIF_SCALES, ICNKIT_BENCH_DIR, ICNKIT_BENCH_KEEP)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/bench_common.sh"
bench_init gif-bench 3 /tmp "${1:-}" "${2:-}" icnkit
python3 "$here/bench_archives.py" .
archive=h2_sprites.icn
archive_bytes=$(stat -c %s "$archive")
baseline=$(baseline_rss icnkit)

# The screen of a GIF in pixels: its logical screen's width x height.
screen_pixels() {
  od -An -tu2 -j6 -N4 --endian=little "$1" | awk '{ print $1 * $2 }'
}

results=("BASELINE icnkit: usage text $baseline KiB; archive $archive_bytes bytes")
printf '%-6s %8s %-21s %9s %6s\n' scale GIF_MB "seconds med (min)" peak_KiB ratio
for scale in ${ICNKIT_BENCH_GIF_SCALES:-1 2 4}; do
  times=() ratios=() peak=0
  for _ in $(seq "$runs"); do
    rm -f out.gif
    read -r t rss _ <<<"$(wall_time_rss "$bin/icnkit" -q gif -g h2 --scale "$scale" -o out.gif \
      "$archive")"
    [ -s out.gif ] || { echo "icnkit gif --scale $scale wrote no GIF" >&2; exit 1; }
    times+=("$t")
    ratios+=("$(memory_ratio "$rss" "$baseline" "$archive_bytes" "$(screen_pixels out.gif)")")
    [ "$rss" -gt "$peak" ] && peak=$rss
  done
  printf '%-6s %8d %-21s %9d %6s\n' "$scale" "$(($(stat -c %s out.gif) / 1000000))" \
    "$(med_min "${times[@]}")" "$peak" "$(median_range "${ratios[@]}" | cut -d' ' -f1)"
  results+=("$(ratio_line "gif memory scale $scale" 1 "${ratios[@]}")")
done

rm -f out.gif
read -r t rss _ <<<"$(wall_time_rss "$bin/icnkit" -q gif -g h2 --scale 64 -o out.gif "$archive")"
message=$("$bin/icnkit" -q gif -g h2 --scale 64 -o out.gif "$archive" 2>&1 || true)
printf '%-6s %8s %-21s %9d  %s\n' 64 - "$t" "$rss" "$message"
if [[ $message != *"Bitmap too large: 16512 x 16640"* ]] || [ -e out.gif ]; then
  echo "icnkit gif --scale 64 did not fail with Bitmap too large" >&2
  exit 1
fi

mkdir -p one four
cp h2_pixels.icn one/
for i in 1 2 3 4; do cp h2_pixels.icn "four/p$i.icn"; done
ratios=()
for _ in $(seq "$runs"); do
  rm -rf site
  read -r _ one_rss _ <<<"$(wall_time_rss "$bin/icnkit" -q gallery -j 1 -g h2 -o site one)"
  rm -rf site
  read -r _ four_rss _ <<<"$(wall_time_rss "$bin/icnkit" -q gallery -j 1 -g h2 -o site four)"
  ratios+=("$(awk -v a="$four_rss" -v b="$one_rss" 'BEGIN { printf "%.3f", a / b }')")
done
results+=("gallery of h2_pixels.icn (65535 frames): one archive $one_rss KiB, four $four_rss KiB")
results+=("$(ratio_line "gallery memory 4/1 archives" 1.1 "${ratios[@]}")")
printf '%s\n' "${results[@]}"
