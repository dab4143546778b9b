#!/usr/bin/env bash
# Unpacker benchmark: unpacks synthetic archives of each generation with
# dravel and dravix (bench/bench_archives.py: 65535 frames of 1 x 1, 2000
# frames of 256 x 256) and sets each run's wall time beside that of `cp -r`
# of the frame folder it produced, run right after it (the I/O floor: an
# unpacker must create every bitmap of the folder and write all its bytes).
# Every run starts from a missing output folder, after a sync.
#
# Prints a table, then the lines a reader checks, beginning with RATIO:
#   unpack / cp -r                        goal <= 1.5 (wall time; the same
#                                         in CPU time, user + system, beside
#                                         it: on a busy machine wall time is
#                                         mostly waiting for a processor)
#   peak memory over 2 x archive + frame  goal <= 1 (see memory_ratio in
#                                         bench_common.sh), the tool's usage
#                                         text subtracted; then, without a
#                                         goal, the same with a one-frame
#                                         unpack subtracted (one_frame_rss)
# Files go to $ICNKIT_BENCH_DIR, default a fresh folder under /tmp (a disk,
# as users unpack to); see bench_common.sh.
#
# Usage: bench/unpack_bench.sh [build/bin] [runs, default 3]
#   (environment: ICNKIT_BENCH_SETS, ICNKIT_BENCH_DIR, ICNKIT_BENCH_KEEP)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/bench_common.sh"
bench_init unpack-bench 3 /tmp "${1:-}" "${2:-}" dravel dravix
python3 "$here/bench_archives.py" .

results=()
printf '%-7s %-8s %6s %5s %-21s %-21s %8s\n' tool archive frames MB "unpack_s med (min)" \
  "cp_s med (min)" peak_KiB
for gen in h1 h2; do
  unpacker=$([ $gen = h1 ] && echo dravel || echo dravix)
  baseline=$(baseline_rss "$unpacker")
  one_frame_archive $gen one_$gen.icn
  floor=$(one_frame_rss "rm -rf one_$gen.icn.cadres" "$bin/$unpacker" one_$gen.icn)
  results+=("BASELINE $unpacker: usage text $baseline KiB, one-frame unpack $floor KiB")
  for name in $sets; do
    archive=${gen}_$name.icn folder=${gen}_$name.icn.cadres
    times=() copies=() ratios=() cpu_ratios=() peak=0
    for _ in $(seq "$runs"); do
      rm -rf "$folder" copy && sync
      read -r t rss cpu <<<"$(wall_time_rss "$bin/$unpacker" "$archive")"
      sync
      read -r c _ cp_cpu <<<"$(wall_time_rss cp -r "$folder" copy)"
      times+=("$t") copies+=("$c")
      ratios+=("$(awk -v u="$t" -v f="$c" 'BEGIN { print u / f }')")
      cpu_ratios+=("$(awk -v u="$cpu" -v f="$cp_cpu" 'BEGIN { print (f > 0 ? u / f : 99) }')")
      [ "$rss" -gt "$peak" ] && peak=$rss
    done
    read -r frames mb frame_bytes <<<"$(folder_stats "$folder")"
    printf '%-7s %-8s %6d %5d %-21s %-21s %8d\n' "$unpacker" "$name" "$frames" "$mb" \
      "$(med_min "${times[@]}")" "$(med_min "${copies[@]}")" "$peak"
    results+=("$(ratio_line "unpack/cp-r $unpacker $name" 1.5 "${ratios[@]}")")
    results+=("$(ratio_line "unpack/cp-r CPU time $unpacker $name" - "${cpu_ratios[@]}")")
    results+=("$(ratio_line "memory $unpacker $name" 1 \
      "$(memory_ratio "$peak" "$baseline" "$(stat -c %s "$archive")" "$frame_bytes")")")
    results+=("$(ratio_line "memory over 1-frame $unpacker $name" - \
      "$(memory_ratio "$peak" "$floor" "$(stat -c %s "$archive")" "$frame_bytes")")")
    rm -rf "$folder" copy
  done
done
printf '%s\n' "${results[@]}"
