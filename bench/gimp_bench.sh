#!/usr/bin/env bash
# The GIMP plug-in on a large archive: 2,000 frames of 256 x 256 pixels (H2,
# made by icnkit_gimp_archives --bench), opened with file-icn-load and
# exported with file-icn-save in GIMP's batch mode, next to `icnkit unpack
# --format png` of it in the same run. GIMP's start-up is measured alone
# (a batch run that only quits) and taken off; each figure is the median of
# RUNS runs (default 3), and the ratio open+save over unpack is reported.
# Usage: bench/gimp_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
for file in "$build/bin/icnkit" "$build/bin/icnkit_gimp_archives" "$build/gimp/file-icn"; do
  [ -x "$file" ] || { echo "missing $file: build first (with libgimp2.0-dev)" >&2; exit 1; }
done
scratch=$(mktemp -d /tmp/icnkit-gimp-bench-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
export GIMP2_DIRECTORY=$scratch/profile
mkdir -p "$GIMP2_DIRECTORY/plug-ins/file-icn"
cp "$build/gimp/file-icn" "$GIMP2_DIRECTORY/plug-ins/file-icn/"
"$build/bin/icnkit_gimp_archives" --bench big.icn

seconds() {
  local t0 t1
  t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
gimp_run() { timeout 1800 gimp-console -i -d -f "$@" -b '(gimp-quit 0)'; }
open_save='(let ((image (car (file-icn-load RUN-NONINTERACTIVE "big.icn" "big.icn"))))
  (file-icn-save RUN-NONINTERACTIVE image (car (gimp-image-get-active-drawable image)) "out.icn" "out.icn"))'
gimp_run >/dev/null 2>&1  # the first start-up builds the profile
startup=() work=() unpack=()
for _ in $(seq "$runs"); do
  startup+=("$(seconds gimp_run)")
  work+=("$(seconds gimp_run -b "$open_save")")
  cmp -s big.icn out.icn || { echo "gimp-bench: the exported archive differs" >&2; exit 1; }
  rm -rf png
  unpack+=("$(seconds "$build/bin/icnkit" unpack -q --format png -o png big.icn)")
done
s=$(printf '%s\n' "${startup[@]}" | median)
w=$(printf '%s\n' "${work[@]}" | median)
u=$(printf '%s\n' "${unpack[@]}" | median)
o=$(awk -v w="$w" -v s="$s" 'BEGIN { print w - s }')
printf 'archive: 2000 frames of 256 x 256 (H2), %s bytes\n' "$(stat -c %s big.icn)"
printf 'GIMP start-up alone:              %6.2f s\n' "$s"
printf 'GIMP open + export (start-up off): %6.2f s\n' "$o"
printf 'icnkit unpack --format png:        %6.2f s\n' "$u"
printf 'ratio open+export / unpack:        %6.2f\n' "$(awk -v o="$o" -v u="$u" 'BEGIN { print o / u }')"
