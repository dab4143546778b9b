#!/usr/bin/env bash
# The GIMP plug-in file-icn in GIMP's batch mode (gimp-console -i, Script-Fu
# of tests/gimp/dump.scm), one GIMP run for everything:
#  1. the samples and COUNT generated archives of each generation
#     (icnkit_gimp_archives) open as the frames of `icnkit unpack --format
#     png`: one layer per frame, named 0000, 0001, ..., bottom first, at the
#     frame's place, with its pixels (index 0 transparent) and bits;
#  2. exported untouched, each gives its archive's bytes (one archive of
#     another encoder among them);
#  3. a pixel painted in GIMP gives the archive `icnkit unpack`, the same
#     edit in another program (Pillow) and `icnkit pack` give;
#  4. a damaged archive fails with the library's message, and an RGB image
#     is refused with what to do, its file not written.
# Usage: tests/gimp/gimp_check.sh BUILD_DIR [COUNT]   (COUNT: 100)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-build}" && pwd)
count=${2:-100}
icnkit=$build/bin/icnkit
for file in "$icnkit" "$build/gimp/file-icn" "$build/bin/icnkit_gimp_archives"; do
  [ -x "$file" ] || { echo "gimp-check: $file is missing (build with libgimp2.0-dev)" >&2; exit 1; }
done
command -v gimp-console >/dev/null || { echo "gimp-check: needs GIMP (gimp)" >&2; exit 1; }

work=$(mktemp -d /tmp/icnkit-gimp-check-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
# GIMP with a profile of its own whose plug-in folder holds the plug-in,
# as a user installs it.
export GIMP2_DIRECTORY=$work/profile
mkdir -p "$GIMP2_DIRECTORY"/{plug-ins/file-icn,palettes,gradients,brushes,patterns} in dump out png tools
cp "$build/gimp/file-icn" "$GIMP2_DIRECTORY/plug-ins/file-icn/"
"$build/bin/icnkit_gimp_archives" in "$count"
cp "$root/examples/sample_h1.icn" "$root/examples/sample_h2.icn" in/
# An H1 archive of another encoder, which the packers would write otherwise:
# a code a pixel, transparent margins kept in the records, two bytes after
# each stream. Its untouched export must keep every stored frame.
/usr/bin/python3 - >in/other_encoder.icn <<'PY'
import struct, sys
table, streams = b'', b''
for i in range(4):
    rows = [[0 if x == 0 or y == 0 else 1 + (x * 3 + y * 5 + i) % 8 for x in range(6)]
            for y in range(5 + i)]
    table += struct.pack('<hhHHI', i - 3, -9, 6, len(rows), 48 + len(streams))
    for row in rows:
        streams += b''.join(b'\x81' if v == 0 else bytes([1, v]) for v in row) + b'\x00'
    streams += b'\x80\x00\x00'
sys.stdout.buffer.write(struct.pack('<HI', 4, len(table) + len(streams)) + table + streams)
PY
for archive in in/*; do "$icnkit" unpack -q --format png -o png "$archive"; done
# A damaged H1 archive (by its name): the frame table cut short.
head -c 40 "$root/examples/sample_h1.icn" >damaged.obj
"$icnkit" info -g h1 damaged.obj 2>damaged.txt && { echo "gimp-check: damaged.obj opens" >&2; exit 1; }

# 3: the tools' route for the painted pixel: index 7 at pixel (1, 1) of
# frame 0001 (its layer's; in the frame file, from its opaque pixels' box).
for gen in h1 h2; do
  cp -r "png/sample_$gen.icn.cadres" tools/
  /usr/bin/python3 - "tools/sample_$gen.icn.cadres" <<'PY'
import glob, sys
from PIL import Image
path = sorted(glob.glob(sys.argv[1] + '/*.png'))[1]
image = Image.open(path)
left, top = image.getbbox()[:2]
image.putpixel((left + 1, top + 1), 7)
image.save(path)
PY
  "$icnkit" pack -q -o "tools/sample_$gen.icn" "tools/sample_$gen.icn.cadres"
done

names=$(cd in && ls | sed 's/.*/"&"/' | tr '\n' ' ')
started=$(date +%s)
# Script-Fu runs each -b command afresh: each loads dump.scm.
scm="(load \"$root/tests/gimp/dump.scm\")"
timeout 900 gimp-console -i -d -f \
  -b "$scm (icn-check-all \"$work/in\" \"$work/dump\" \"$work/out\" '($names))" \
  -b "$scm (icn-paint \"$work/in/sample_h1.icn\" \"0001\" 1 1 \"$work/painted_h1.icn\")" \
  -b "$scm (icn-paint \"$work/in/sample_h2.icn\" \"0001\" 1 1 \"$work/painted_h2.icn\")" \
  -b "(file-icn-load RUN-NONINTERACTIVE \"$work/damaged.obj\" \"damaged.obj\")" \
  -b "$scm (icn-export-rgb \"$work/in/sample_h2.icn\" \"$work/rgb.icn\")" \
  -b '(gimp-quit 0)' >gimp.log 2>&1 || { cat gimp.log >&2; exit 1; }
echo "gimp-check: GIMP ran $(($(date +%s) - started)) s for $(ls in | wc -l) archives"

/usr/bin/python3 "$root/tests/gimp/compare.py" "$work" "$(sed 's/^icnkit: damaged.obj: //' damaged.txt)" ||
  { echo "gimp-check: GIMP's output:" >&2; cat gimp.log >&2; exit 1; }
