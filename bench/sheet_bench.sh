#!/usr/bin/env bash
# Sheet and GIF cost against the PNG unpack of the same archive.
#
# Usage: bench/sheet_bench.sh [BIN_DIR] [FRAMES]   (default build/bin, 2000)
#
# Makes an H2 archive of FRAMES frames of 256 x 256 (a plasma picture in
# 250 colours, packed by the legacy packer from a frame folder), then times
#   icnkit unpack --format png    (the reference)
#   icnkit sheet                  (one indexed PNG and its JSON)
#   icnkit gif                    (one animated GIF)
# and prints each time and its ratio to the reference (the target: 3 or less).
set -euo pipefail
bin=$(cd "${1:-build/bin}" && pwd)
frames=${2:-2000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

mkdir big.icn.cadres
convert -size 256x256 plasma:fractal -seed 7 -colors 250 -type Palette BMP3:frame.bmp
printf '[Position]\r\nX=-128\r\nY=-256\r\n' > big.icn.cadres/setup.ini
for ((i = 0; i < frames; i++)); do
  cp frame.bmp "big.icn.cadres/$(printf %04d "$i").bmp"
done
"$bin/morvix" big.icn > /dev/null
echo "archive: $frames frames of 256 x 256, $(stat -c %s big.icn) bytes"

seconds() {  # the wall time of a command, in seconds
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
unpack=$(seconds "$bin/icnkit" -q unpack -g h2 --format png -o unpacked big.icn)
sheet=$(seconds "$bin/icnkit" -q sheet -g h2 -o sheet big.icn)
gif=$(seconds "$bin/icnkit" -q gif -g h2 -o gif big.icn)
printf 'unpack --format png  %6.2f s\n' "$unpack"
printf 'sheet                %6.2f s  %.2fx\n' "$sheet" "$(echo "$sheet / $unpack" | bc -l)"
printf 'gif                  %6.2f s  %.2fx\n' "$gif" "$(echo "$gif / $unpack" | bc -l)"
ls -l sheet gif | grep -v '^total'
