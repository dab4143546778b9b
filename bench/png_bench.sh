#!/usr/bin/env bash
# PNG frames against BMP frames: `icnkit unpack --format png` and
# `--format bmp` of the sprite archives of each generation
# (bench/bench_archives.py: 2000 frames of 256 x 256), then `icnkit pack` of
# the two folders back into archives. Every unpack starts from a missing
# output folder, every pack from a missing archive, after a sync; the PNG
# and BMP runs alternate, and each repetition gives one png/bmp ratio.
#
# Prints a table (median and fastest wall time, folder size, peak memory),
# then the lines a reader checks, beginning with RATIO:
#   unpack png / unpack bmp    goal <= 3
#   pack png / pack bmp        goal <= 3
# Files go to $ICNKIT_BENCH_DIR, default a fresh folder under /tmp.
#
# Usage: [ICNKIT_BENCH_DIR=/dev/shm/x] bench/png_bench.sh [build/bin] [runs, default 3]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/bench_common.sh"
bench_init png-bench 3 /tmp "${1:-}" "${2:-}" icnkit
python3 "$here/bench_archives.py" .

results=()
printf '%-4s %-6s %-4s %-21s %7s %8s\n' gen step fmt "wall_s med (min)" MB peak_KiB
for gen in h1 h2; do
  archive=${gen}_sprites.icn
  declare -A t=() peak=()
  unpack_ratios=() pack_ratios=()
  for _ in $(seq "$runs"); do
    for fmt in bmp png; do
      rm -rf "out_$fmt" && sync
      read -r u rss _ <<<"$(wall_time_rss "$bin/icnkit" unpack -q --format "$fmt" -o "out_$fmt" "$archive")"
      t[unpack_$fmt]+="$u " && [ "$rss" -gt "${peak[unpack_$fmt]:-0}" ] && peak[unpack_$fmt]=$rss
      rm -f "packed_$fmt.icn" && sync
      read -r p rss _ <<<"$(wall_time_rss "$bin/icnkit" pack -q -o "packed_$fmt.icn" "out_$fmt/$archive.cadres")"
      t[pack_$fmt]+="$p " && [ "$rss" -gt "${peak[pack_$fmt]:-0}" ] && peak[pack_$fmt]=$rss
      eval "last_unpack_$fmt=$u last_pack_$fmt=$p"
    done
    unpack_ratios+=("$(awk -v a="$last_unpack_png" -v b="$last_unpack_bmp" 'BEGIN { print a / b }')")
    pack_ratios+=("$(awk -v a="$last_pack_png" -v b="$last_pack_bmp" 'BEGIN { print a / b }')")
    # The PNG folder packs into the BMP folder's archive.
    cmp -s packed_png.icn packed_bmp.icn || { echo "packed_png.icn differs from packed_bmp.icn" >&2; exit 1; }
  done
  for step in unpack pack; do
    for fmt in bmp png; do
      read -r m lo _ <<<"$(median_range ${t[${step}_$fmt]})"
      mb=$(du -sm --apparent-size "out_$fmt" | cut -f1)
      printf '%-4s %-6s %-4s %-21s %7s %8d\n' "$gen" "$step" "$fmt" "$m ($lo)" \
        "$([ $step = unpack ] && echo "$mb" || echo -)" "${peak[${step}_$fmt]}"
    done
  done
  results+=("$(ratio_line "unpack png/bmp $gen" 3 "${unpack_ratios[@]}")")
  results+=("$(ratio_line "pack png/bmp $gen" 3 "${pack_ratios[@]}")")
  unset t peak
done
printf '%s\n' "${results[@]}"
