#!/usr/bin/env bash
# Frame folders and archives do not depend on the build that made them:
# for each generation the bundled sample is unpacked by the Windows build
# (under Wine) and by the Linux build, the two frame folders must hold the
# same bitmaps byte for byte and the same "setup.ini" values (line endings
# may differ), and each build must pack the other's frame folder back into
# the very archive it came from.
#
# Usage: .ci/cross-proof.sh [windows-bin [linux-bin]]
#   defaults build-mingw/bin and build/bin; the Linux tools are built into
#   build/ when missing. Wine must be started (see .ci/windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
win=$(cd "${1:-build-mingw/bin}" && pwd)
linux=${2:-build/bin}
export WINEPREFIX=${WINEPREFIX:-$root/build-mingw/wineprefix} WINEDEBUG=-all ICNKIT_CONSOLE=1
unset DISPLAY WAYLAND_DISPLAY

if [ ! -x "$linux/morvix" ] || [ ! -f "$linux/H2Palette.bmp" ]; then
  echo "-- building the Linux tools in build/"
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build -j"$(nproc)" --target dravel dravix morlet morvix icnkit_palettes >/dev/null
  linux=build/bin
fi
linux=$(cd "$linux" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/icnkit-cross-XXXXXX")
trap 'rm -rf "$work"' EXIT

# setup.ini as sorted "[section]key=value" lines, line endings dropped.
values() {
  tr -d '\r' <"$1" | awk '/^\[/ { section = $0; next } NF { print section $0 }' | sort
}

fail() {
  echo "cross-proof: $*" >&2
  exit 1
}

# A frame folder's bitmaps and values, compared.
same_frames() {
  local a=$1 b=$2
  [ "$(cd "$a" && ls)" = "$(cd "$b" && ls)" ] || fail "$a and $b hold different files"
  for bmp in "$a"/*.bmp; do
    cmp -s "$bmp" "$b/$(basename "$bmp")" || fail "$(basename "$bmp") differs between $a and $b"
  done
  [ "$(values "$a/setup.ini")" = "$(values "$b/setup.ini")" ] ||
    fail "setup.ini values differ between $a and $b"
}

check() {
  local sample=$1 unpacker=$2 packer=$3
  local Unpacker=${unpacker^} Packer=${packer^}
  local dir=$work/$unpacker
  mkdir -p "$dir/win" "$dir/linux" "$dir/win-to-linux" "$dir/linux-to-win"
  for side in win linux; do cp "examples/$sample" "$dir/$side/a.icn"; done

  (cd "$dir/win" && wine "$win/$Unpacker.exe" a.icn >out.txt 2>&1 </dev/null) ||
    fail "$Unpacker.exe failed: $(cat "$dir/win/out.txt")"
  (cd "$dir/linux" && "$linux/$unpacker" a.icn >out.txt 2>&1) ||
    fail "$unpacker failed: $(cat "$dir/linux/out.txt")"
  same_frames "$dir/win/a.icn.cadres" "$dir/linux/a.icn.cadres"

  # Each build packs the other's frame folder.
  cp -r "$dir/win/a.icn.cadres" "$dir/win-to-linux/"
  cp -r "$dir/linux/a.icn.cadres" "$dir/linux-to-win/"
  (cd "$dir/win-to-linux" && "$linux/$packer" a.icn >out.txt 2>&1) ||
    fail "$packer failed: $(cat "$dir/win-to-linux/out.txt")"
  (cd "$dir/linux-to-win" && wine "$win/$Packer.exe" a.icn >out.txt 2>&1 </dev/null) ||
    fail "$Packer.exe failed: $(cat "$dir/linux-to-win/out.txt")"
  for side in win-to-linux linux-to-win; do
    cmp -s "examples/$sample" "$dir/$side/a.icn" || fail "$side: $sample did not pack back"
  done
  echo "-- $sample: $Unpacker.exe and $unpacker frame folders agree; $packer and $Packer.exe pack" \
    "each other's back to the same bytes"
}

check sample_h1.icn dravel morlet
check sample_h2.icn dravix morvix
