# Set-up and measuring shared by the tool benchmarks (unpack_bench.sh,
# pack_bench.sh, scaling_bench.sh); sourced, not run.
#
# bench_init NAME DEFAULT_RUNS BASE BIN RUNS TOOL...
#   sets $bin (the tools' folder, default build/bin) and $runs, checks that
#   every TOOL is built and that /usr/bin/time is there, makes the scratch
#   folder $scratch ($ICNKIT_BENCH_DIR, default a fresh folder under BASE,
#   removed at the end unless ICNKIT_BENCH_KEEP=1) and enters it; $sets
#   is $ICNKIT_BENCH_SETS, the archives to measure (default "sprites
#   pixels"; on a slow shared disk the 65535 files of "pixels" take minutes
#   a run).
#
# The machine is shared: every figure is measured several times, a ratio in
# each repetition from runs made one right after the other, and reported as
# the median with its range.

bench_init() {
  local name=$1 default_runs=$2 base=$3
  bin=$(cd "${4:-build/bin}" && pwd)
  runs=${5:-$default_runs}
  sets=${ICNKIT_BENCH_SETS:-sprites pixels}
  shift 5
  local tool
  for tool in "$@"; do
    [ -x "$bin/$tool" ] || { echo "missing $bin/$tool: build first" >&2; exit 1; }
  done
  [ -x /usr/bin/time ] || { echo "needs /usr/bin/time (package time)" >&2; exit 1; }
  scratch=${ICNKIT_BENCH_DIR:-$(mktemp -d "$base/icnkit-$name-XXXXXX")}
  mkdir -p "$scratch"
  [ "${ICNKIT_BENCH_KEEP:-0}" = 1 ] || trap 'rm -rf "$scratch"' EXIT
  cd "$scratch"
}

# Wall time in seconds of one run of "$@", its output discarded.
wall_time() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }'
}

# Wall time, peak resident memory (KiB) and CPU time (user + system) of one
# run of "$@": "seconds kib cpu_seconds". The wrapper adds the same fork and
# exec to every run.
wall_time_rss() {
  local t
  t=$(wall_time /usr/bin/time -f '%M %U %S' -o "$scratch/.rss" "$@")
  echo "$t $(tail -1 "$scratch/.rss" | awk '{ printf "%d %.2f", $1, $2 + $3 }')"
}

# Best wall time of $runs runs of "$@"; the command PREPARE runs before
# each, untimed.
best_of() {
  local prepare=$1 best="" t
  shift
  for _ in $(seq "$runs"); do
    eval "$prepare"
    t=$(wall_time "$@")
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

# "median min max" of the numbers given.
median_range() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
    END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "%.3f %.3f %.3f", m, v[1], v[NR] }'
}

# "median (min)" of the numbers given, for the tables.
med_min() {
  local m lo
  read -r m lo _ <<<"$(median_range "$@")"
  echo "$m ($lo)"
}

# "FRAMES MIB BYTES" of a frame folder: its bitmaps, its size and the size
# of its first bitmap (one frame).
folder_stats() {
  echo "$(find "$1" -name '*.bmp' | wc -l) $(du -sm --apparent-size "$1" | cut -f1)" \
    "$(stat -c %s "$1/0000.bmp")"
}

# ratio_line WHAT GOAL VALUE...: one line a reader can grep for, with the
# median ratio, its range over the repetitions and whether it meets GOAL.
ratio_line() {
  local what=$1 goal=$2
  shift 2
  local m lo hi
  read -r m lo hi <<<"$(median_range "$@")"
  printf 'RATIO %-34s %5.2f  (range %.2f-%.2f, %d runs)  goal <= %s  %s\n' "$what" "$m" "$lo" \
    "$hi" "$#" "$goal" "$(awk -v m="$m" -v g="$goal" 'BEGIN { print (g == "-" ? "(no goal)" : m <= g ? "met" : "MISSED") }')"
}

# Peak memory over the goal: (peak - baseline) / (2 x archive + one frame),
# where baseline is the tool's peak when it does no work (its usage text)
# and "one frame" a frame's bitmap. At most 1 meets the goal.
memory_ratio() {
  local peak_kib=$1 baseline_kib=$2 archive_bytes=$3 frame_bytes=$4
  awk -v p="$peak_kib" -v b="$baseline_kib" -v a="$archive_bytes" -v f="$frame_bytes" \
    'BEGIN { printf "%.3f", (p - b) * 1024 / (2 * a + f) }'
}

# Peak memory (KiB) of the tool doing nothing: the usage text.
baseline_rss() {
  /usr/bin/time -f %M -o "$scratch/.rss" "$bin/$1" >/dev/null 2>&1 || true
  tail -1 "$scratch/.rss"
}

# one_frame_rss PREPARE CMD...: the fixed cost of doing any work at all, the
# peak memory (KiB, median of 3 runs, PREPARE run before each) of CMD on a
# one-frame archive or folder. Beyond the usage text, a
# run pages in the code that reads, draws and writes (about 0.8 MB for the
# unpackers, whatever the archive); the second memory line of the
# benchmarks subtracts this floor instead, to show what grows with the
# archive. The first line, over the usage text, stays the one with the goal.
one_frame_rss() {
  local prepare=$1 peaks=() _
  shift
  for _ in 1 2 3; do
    eval "$prepare"
    /usr/bin/time -f %M -o "$scratch/.rss" "$@" >/dev/null 2>&1 || true
    peaks+=("$(tail -1 "$scratch/.rss")")
  done
  local m
  read -r m _ <<<"$(median_range "${peaks[@]}")"
  printf '%.0f' "$m"
}

# one_frame_archive GEN PATH: an archive of one 1 x 1 frame of generation
# GEN (h1, h2), written by bench_archives.py's writer.
one_frame_archive() {
  python3 - "$1" "$2" "$here" <<'PY'
import sys
sys.path.insert(0, sys.argv[3])
import bench_archives
bench_archives.archive(sys.argv[2], [(0, 0, 1, 1, bench_archives.stream([[1]]))],
                       12 if sys.argv[1] == 'h1' else 13)
PY
}
