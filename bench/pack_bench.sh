#!/usr/bin/env bash
# Packer benchmark: packs frame folders with morlet and morvix and sets each
# run's wall time beside the floor measured right after it: reading every
# bitmap of the folder (cat) plus writing a file of the archive's size and
# flushing it to the disk (dd conv=fdatasync), what any packer must do.
# The folders are made the way a user gets them: the synthetic archives of
# bench/bench_archives.py (65535 frames of 1 x 1, 2000 frames of 256 x 256)
# unpacked with dravel / dravix. The bitmaps are read once before timing,
# so that packer and floor both find them in the page cache.
#
# Prints a table, then the lines a reader checks, beginning with RATIO:
#   pack / (cat + write and sync)         goal <= 1.2
#   peak memory over 2 x archive + frame  goal <= 1 (see memory_ratio in
#                                         bench_common.sh), the tool's usage
#                                         text subtracted; then, without a
#                                         goal, the same with a one-frame
#                                         pack subtracted (one_frame_rss)
#   peak memory over 16 MiB                goal <= 1 (each pack replaces the
#                                         archive it unpacked from: the
#                                         guard against the other generation
#                                         reads its header and table only)
# With ICNKIT_BENCH_PREVIOUS=DIR (the tools of an earlier build, such as
# the release before that guard: bench/build_previous.sh), each run also
# packs with DIR's packer right after, and
#   pack / previous release's pack        goal <= 1.05
#   peak memory / previous release's      (no goal)
# are printed beside them.
# Files go to $ICNKIT_BENCH_DIR, default a fresh folder under /tmp (a disk);
# see bench_common.sh.
#
# Usage: bench/pack_bench.sh [build/bin] [runs, default 3]
#   (environment: ICNKIT_BENCH_SETS, ICNKIT_BENCH_DIR, ICNKIT_BENCH_KEEP,
#   ICNKIT_BENCH_PREVIOUS)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/bench_common.sh"
previous_bin=${ICNKIT_BENCH_PREVIOUS:+$(cd "$ICNKIT_BENCH_PREVIOUS" && pwd)}
bench_init pack-bench 3 /tmp "${1:-}" "${2:-}" dravel dravix morlet morvix
python3 "$here/bench_archives.py" .
for gen in h1 h2; do
  unpacker=$([ $gen = h1 ] && echo dravel || echo dravix)
  for name in $sets; do "$bin/$unpacker" "${gen}_$name.icn" >/dev/null; done
done

read_all() { find "$1" -name '*.bmp' -print0 | xargs -0 cat >/dev/null; }
write_archive() { dd if="$1" of="$1.copy" bs=4M conv=fdatasync status=none && rm -f "$1.copy"; }

results=()
printf '%-7s %-8s %6s %5s %5s %-17s %-17s %-17s %8s\n' tool folder frames MB arcMB \
  "pack_s med (min)" "cat_s med (min)" "write_s med(min)" peak_KiB
for gen in h1 h2; do
  packer=$([ $gen = h1 ] && echo morlet || echo morvix)
  baseline=$(baseline_rss "$packer")
  one_frame_archive $gen one_$gen.icn
  "$bin/$([ $gen = h1 ] && echo dravel || echo dravix)" one_$gen.icn >/dev/null
  floor=$(one_frame_rss : "$bin/$packer" one_$gen.icn.cadres)
  results+=("BASELINE $packer: usage text $baseline KiB, one-frame pack $floor KiB")
  for name in $sets; do
    archive=${gen}_$name.icn folder=${gen}_$name.icn.cadres
    read_all "$folder"
    packs=() reads=() writes=() ratios=() peak=0 previous=() prev_peak=0
    for _ in $(seq "$runs"); do
      read -r p rss _ <<<"$(wall_time_rss "$bin/$packer" "$folder")"
      if [ -n "$previous_bin" ]; then
        read -r q qrss _ <<<"$(wall_time_rss "$previous_bin/$packer" "$folder")"
        previous+=("$(awk -v p="$p" -v q="$q" 'BEGIN { print p / q }')")
        [ "$qrss" -gt "$prev_peak" ] && prev_peak=$qrss
      fi
      r=$(wall_time read_all "$folder")
      w=$(wall_time write_archive "$archive")
      packs+=("$p") reads+=("$r") writes+=("$w")
      ratios+=("$(awk -v p="$p" -v r="$r" -v w="$w" 'BEGIN { print p / (r + w) }')")
      [ "$rss" -gt "$peak" ] && peak=$rss
    done
    read -r frames mb frame_bytes <<<"$(folder_stats "$folder")"
    archive_bytes=$(stat -c %s "$archive")
    printf '%-7s %-8s %6d %5d %5d %-17s %-17s %-17s %8d\n' "$packer" "$name" "$frames" "$mb" \
      $((archive_bytes / 1048576)) "$(med_min "${packs[@]}")" "$(med_min "${reads[@]}")" \
      "$(med_min "${writes[@]}")" "$peak"
    results+=("$(ratio_line "pack/(read+write) $packer $name" 1.2 "${ratios[@]}")")
    results+=("$(ratio_line "memory $packer $name" 1 \
      "$(memory_ratio "$peak" "$baseline" "$archive_bytes" "$frame_bytes")")")
    results+=("$(ratio_line "memory over 1-frame $packer $name" - \
      "$(memory_ratio "$peak" "$floor" "$archive_bytes" "$frame_bytes")")")
    results+=("$(ratio_line "peak/16MiB $packer $name" 1 \
      "$(awk -v p="$peak" 'BEGIN { print p / 16384 }')")")
    if [ -n "$previous_bin" ]; then
      results+=("$(ratio_line "pack/previous $packer $name" 1.05 "${previous[@]}")")
      results+=("$(ratio_line "peak/previous $packer $name" - \
        "$(awk -v p="$peak" -v q="$prev_peak" 'BEGIN { print p / q }')")")
      results+=("PEAK $packer $name: $peak KiB, previous release $prev_peak KiB")
    fi
  done
done
printf '%s\n' "${results[@]}"
