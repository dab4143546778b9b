#!/usr/bin/env bash
# File managers and ICN archives, on the tree `cmake --install` makes:
#  1. update-mime-database over its share/mime, and `xdg-mime query
#     filetype` (through gio, as under GNOME) names image/x-icn for both
#     samples, with nothing but that tree and the system's own types;
#  2. the installed .thumbnailer's Exec line, run as a file manager runs it
#     (%s, %i and %o substituted), writes a PNG that fits SIZE and shows the
#     preview frame, scaled by a whole factor, index 0 transparent;
#  3. a damaged archive, another file and an archive without frames fail
#     with exit status 1 and write nothing.
# Usage: tests/desktop/desktop_check.sh BUILD_DIR [PREFIX]   (BUILD_DIR built,
# installed into a temporary prefix; or PREFIX, a tree installed already;
# needs xdg-utils, shared-mime-info, libglib2.0-bin, python3-pil)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d /tmp/icnkit-desktop-check-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
ok() { echo "desktop-check: ok   $*"; }
bad() { echo "desktop-check: FAIL $*" >&2; failures=$((failures + 1)); }

prefix=${2:-$work/usr}
[ -n "${2:-}" ] || cmake --install "$build" --prefix "$prefix" >/dev/null
for file in share/mime/packages/icnkit.xml share/thumbnailers/icnkit.thumbnailer; do
  [ -f "$prefix/$file" ] || { echo "desktop-check: $prefix/$file is not installed" >&2; exit 1; }
done
# The installed MIME package alone in a data folder of its own, its
# database made as the package's trigger makes it.
share=$work/share
mkdir -p "$share/mime/packages"
cp "$prefix/share/mime/packages/icnkit.xml" "$share/mime/packages/"
export XDG_DATA_HOME=$work/home XDG_DATA_DIRS=$share:/usr/share XDG_CURRENT_DESKTOP=GNOME
update-mime-database "$share/mime"
mkdir -p "$XDG_DATA_HOME"
for gen in h1 h2; do
  type=$(xdg-mime query filetype "$root/examples/sample_$gen.icn")
  if [ "$type" = image/x-icn ]; then ok "sample_$gen.icn is $type"; else bad "sample_$gen.icn is '$type'"; fi
done

thumbnailer=$prefix/share/thumbnailers/icnkit.thumbnailer
exec_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
# Runs the Exec line as a file manager does: %s, %i, %o replaced, the
# program found on PATH (the installed bin/).
thumbnail() {
  local line=${exec_line//%s/$1}
  line=${line//%i/\'$2\'}
  line=${line//%o/\'$3\'}
  PATH=$prefix/bin:$PATH sh -c "$line"
}
"$prefix/bin/icnkit" unpack -q --preview --format png -o "$work/preview" "$root/examples"
for size in 128 32 7; do
  for gen in h1 h2; do
    out=$work/thumb_${gen}_$size.png
    if ! thumbnail "$size" "$root/examples/sample_$gen.icn" "$out" 2>"$work/err"; then
      bad "thumbnail -s $size of sample_$gen.icn failed: $(cat "$work/err")"
      continue
    fi
    if /usr/bin/python3 - "$out" "$work/preview/sample_$gen.icn.png" "$size" <<'PY'; then ok "sample_$gen.icn: a ${size}-pixel thumbnail of its preview frame"; else bad "sample_$gen.icn: thumbnail -s $size is not its preview frame scaled"; fi
import sys
from PIL import Image
thumb, frame, size = Image.open(sys.argv[1]), Image.open(sys.argv[2]), int(sys.argv[3])
assert thumb.mode == 'P' and max(thumb.size) <= size, (thumb.mode, thumb.size)
assert thumb.info.get('transparency') == 0, thumb.info
w, h = frame.size
k = size // max(w, h) if max(w, h) <= size else -(-max(w, h) // size)
if max(w, h) <= size:
    assert thumb.size == (w * k, h * k), (thumb.size, k)
    expect = [frame.getpixel((x // k, y // k)) for y in range(h * k) for x in range(w * k)]
else:
    assert thumb.size == (-(-w // k), -(-h // k)), (thumb.size, k)
    expect = [frame.getpixel((x * k, y * k)) for y in range(thumb.size[1]) for x in range(thumb.size[0])]
assert list(thumb.getdata()) == expect
PY
  done
done

head -c 40 "$root/examples/sample_h1.icn" >"$work/damaged.icn"
printf 'not an archive' >"$work/text.icn"
printf '\0\0\0\0\0\0' >"$work/empty.icn"
for name in damaged.icn text.icn empty.icn missing.icn; do
  status=0
  thumbnail 128 "$work/$name" "$work/$name.png" 2>"$work/err" || status=$?
  if [ "$status" = 1 ] && ! [ -e "$work/$name.png" ] && [ -s "$work/err" ]; then
    ok "$name: exit 1, nothing written ($(head -1 "$work/err"))"
  else
    bad "$name: exit $status, $(ls "$work/$name.png" 2>/dev/null || echo 'nothing written')"
  fi
done
[ "$failures" = 0 ] || { echo "desktop-check: $failures failures" >&2; exit 1; }
