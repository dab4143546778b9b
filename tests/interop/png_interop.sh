#!/usr/bin/env bash
# PNG interoperability of `icnkit` with ImageMagick, Pillow and GIMP (batch),
# shown on the sample archives of both generations (examples/):
#  1. PNGs written by icnkit (with and without --transparent) open in Pillow
#     as mode "P" with the palette of the BMP frames and the same indices; in
#     ImageMagick as an indexed (colour type 3) 8-bit PNG with the same
#     pixel colours and colour-map size; in GIMP as an INDEXED image whose
#     colour map is that palette.
#  2. PNGs written by Pillow (mode P, RGB, RGBA with index 0 transparent),
#     ImageMagick (RGB; its default, palette PNGs of 1 to 8 bits with its
#     own colour table, with --remap) and GIMP (indexed, RGB) pack, with
#     `icnkit pack`, into the same archive as the BMPs do.
#  3. ImageMagick's `-remap` output (its own colour table) makes
#     `icnkit pack` warn, and packs into the same archive with --remap.
# Every program must be there (CI installs imagemagick, python3-pil and
# gimp); ICNKIT_INTEROP_NO_GIMP=1 leaves GIMP out for a quick local run.
#
# Usage: tests/interop/png_interop.sh [build/bin]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(cd "${1:-$root/build/bin}" && pwd)
icnkit=$bin/icnkit
gimp=${ICNKIT_INTEROP_NO_GIMP:-0}

failures=0
ok() { echo "ok   $*"; }
bad() { echo "FAIL $*"; failures=$((failures + 1)); }

# The first Python with Pillow (a virtual environment may shadow Debian's).
python=
for candidate in python3 /usr/bin/python3; do
  if "$candidate" -c 'import PIL' 2>/dev/null; then python=$candidate && break; fi
done
[ -x "$icnkit" ] || { echo "missing $icnkit: build first" >&2; exit 1; }
[ -n "$python" ] || { echo "needs Pillow (python3-pil)" >&2; exit 1; }
command -v convert >/dev/null && command -v identify >/dev/null ||
  { echo "needs ImageMagick (imagemagick)" >&2; exit 1; }
[ "$gimp" = 1 ] || command -v gimp-console >/dev/null || { echo "needs GIMP (gimp)" >&2; exit 1; }

work=$(mktemp -d /tmp/icnkit-png-interop-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
gens="h1 h2"
for gen in $gens; do
  cp "$root/examples/sample_$gen.icn" "$gen.icn"
  "$icnkit" unpack -q --format bmp -o bmp "$gen.icn"
  "$icnkit" unpack -q --format png -o png "$gen.icn"
  "$icnkit" unpack -q --format png --transparent -o pngt "$gen.icn"
  "$icnkit" pack -q -o "ref_$gen.icn" "bmp/$gen.icn.cadres"
done

# Frame folders in folder $1 for PNG frames of another program, with the
# setup.ini of icnkit's PNG folders (it names the .png frames).
new_folders() {
  for gen in $gens; do
    mkdir -p "$1/$gen.icn.cadres"
    cp "png/$gen.icn.cadres/setup.ini" "$1/$gen.icn.cadres/"
  done
}

# pack_check NAME [pack options]: folder NAME packs into the BMPs' archive,
# without a warning.
pack_check() {
  local name=$1 gen
  shift
  for gen in $gens; do
    local written wanted
    written=$(ls "$name/$gen.icn.cadres" | grep -c '\.png$' || true)
    wanted=$(ls "png/$gen.icn.cadres" | grep -c '\.png$')
    if [ "$written" != "$wanted" ]; then
      bad "$name $gen: the program wrote $written of the $wanted frames"
    elif ! "$icnkit" pack "$@" -o "$name/$gen.icn" "$name/$gen.icn.cadres" 2>"$name/$gen.err"; then
      bad "$name $gen: icnkit pack failed: $(cat "$name/$gen.err")"
    elif grep -qv '^icnkit: packed ' "$name/$gen.err"; then
      # Anything but the line that ends a run (what was packed, where).
      bad "$name $gen: icnkit pack warned: $(cat "$name/$gen.err")"
    elif ! cmp -s "$name/$gen.icn" "ref_$gen.icn"; then
      bad "$name $gen: the archive differs from the BMPs' one"
    else
      ok "$name $gen: packs into the BMPs' archive"
    fi
  done
}

# 1. icnkit's PNGs in Pillow.
if "$python" - png pngt bmp <<'EOF'; then ok "Pillow opens icnkit's PNGs as mode P with the palette"; else bad "Pillow"; fi
import glob, os, sys
from PIL import Image
plain, transparent, bmp = sys.argv[1:]
count = 0
for path in sorted(glob.glob(plain + '/*/*.png')):
    rel = os.path.relpath(path, plain)
    ref = Image.open(os.path.join(bmp, rel[:-4] + '.bmp'))
    for folder in (plain, transparent):
        im = Image.open(os.path.join(folder, rel))
        assert im.mode == 'P', (rel, im.mode)
        assert im.getpalette() == ref.getpalette(), rel
        assert im.tobytes() == ref.tobytes(), rel
        assert (im.info.get('transparency') == 0) == (folder == transparent), rel
        count += 1
assert count > 0
EOF

# 1. icnkit's PNGs in ImageMagick.
magick_ok=1
for png in png/*/*.png; do
  bmp=bmp/${png#png/}
  bmp=${bmp%.png}.bmp
  kind=$(identify -format '%[png:IHDR.color-type-orig] %[png:IHDR.bit-depth-orig]' "$png")
  entries=$(identify -verbose "$png" | sed -n 's/^ *Colormap entries: //p')
  plte=$("$python" -c 'import sys; from PIL import Image; print(len(Image.open(sys.argv[1]).getpalette()) // 3)' "$png")
  if [ "$kind" != "3 8" ] || [ "$entries" != "$plte" ] ||
     ! cmp -s <(convert "$png" rgb:-) <(convert "$bmp" rgb:-); then
    bad "ImageMagick reads $png as '$kind', $entries colour-map entries, or with other colours"
    magick_ok=0
  fi
done
[ "$magick_ok" = 0 ] || ok "ImageMagick reads icnkit's PNGs as indexed 8-bit with the palette's colours"

# 2. PNGs written by Pillow.
new_folders pil_p && new_folders pil_rgb && new_folders pil_rgba
"$python" - bmp <<'EOF'
import glob, os, sys
from PIL import Image
for path in sorted(glob.glob(sys.argv[1] + '/*/*.bmp')):
    rel = os.path.relpath(path, sys.argv[1])[:-4] + '.png'
    im = Image.open(path)
    im.save('pil_p/' + rel)
    im.convert('RGB').save('pil_rgb/' + rel)
    rgba = im.convert('RGBA')
    # Index 0 transparent, its colour made something else entirely.
    rgba.putdata([(1, 2, 3, 0) if i == 0 else c for i, c in zip(im.getdata(), rgba.getdata())])
    rgba.save('pil_rgba/' + rel)
EOF
pack_check pil_p && pack_check pil_rgb && pack_check pil_rgba

# 2. PNGs written by ImageMagick: RGB, and its default, a palette PNG of as
# few bits as the frame's colours need, with its own colour table (so
# --remap).
new_folders im_rgb && new_folders im_default
for bmp in bmp/*/*.bmp; do
  rel=${bmp#bmp/}
  convert "$bmp" "PNG24:im_rgb/${rel%.bmp}.png"
  convert "$bmp" "im_default/${rel%.bmp}.png"
done
pack_check im_rgb && pack_check im_default --remap

# 3. ImageMagick -remap: the colours are right, the colour table is its own.
new_folders im_remap
for gen in $gens; do
  "$icnkit" palette "bmp/$gen.icn.cadres/$(ls "bmp/$gen.icn.cadres" | grep -m1 '\.bmp$')" "$gen.gpl"
done
for png in png/*/*.png; do
  rel=${png#png/}
  gen=${rel%%.icn.cadres/*}
  "$python" -c '
import sys; from PIL import Image
colours = [tuple(map(int, l.split()[:3])) for l in open(sys.argv[1]) if l[:1].isdigit() or l[:1] == " "]
im = Image.new("RGB", (len(colours), 1)); im.putdata(colours); im.save(sys.argv[2])' "$gen.gpl" "$gen-map.png"
  convert "$png" -dither None -remap "$gen-map.png" "PNG8:im_remap/$rel"
done
warned=0
for gen in $gens; do
  "$icnkit" pack -o "im_remap/$gen.icn" "im_remap/$gen.icn.cadres" 2>"im_remap/$gen.err" || true
  grep -q 'has its own colour table: [0-9]* pixels change colour' "im_remap/$gen.err" && warned=$((warned + 1))
done
if [ "$warned" -gt 0 ]; then ok "ImageMagick -remap output is warned about ($warned of 2 archives)"
else bad "ImageMagick -remap output packed without a warning"; fi
pack_check im_remap --remap

# 1 and 2 in GIMP (batch): icnkit's PNGs open INDEXED with the palette as
# colour map; BMP frames saved as indexed and as RGB PNGs pack.
if [ "$gimp" != 1 ]; then
  new_folders gimp_p && new_folders gimp_rgb
  script="(let ((port (open-output-file \"$work/gimp.txt\")))"
  for png in png/*/*.png; do
    rel=${png#png/}
    script+="
  (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$work/$png\" \"$work/$png\")))
         (cmap (gimp-image-get-colormap image)))
    (write \"$rel\" port) (write-char #\\space port)
    (write (car (gimp-image-base-type image)) port) (write-char #\\space port)
    (write (cadr cmap) port) (newline port)
    (gimp-image-delete image))
  (let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$work/bmp/${rel%.png}.bmp\" \"x.bmp\")))
         (layer (car (gimp-image-get-active-drawable image))))
    (file-png-save2 RUN-NONINTERACTIVE image layer \"$work/gimp_p/$rel\" \"$work/gimp_p/$rel\" 0 9 0 0 0 0 0 0 0)
    (gimp-image-convert-rgb image)
    (file-png-save2 RUN-NONINTERACTIVE image layer \"$work/gimp_rgb/$rel\" \"$work/gimp_rgb/$rel\" 0 9 0 0 0 0 0 0 0)
    (gimp-image-delete image))"
  done
  script+="
  (close-output-port port))"
  timeout 1800 gimp-console -i -d -f -b "$script" -b '(gimp-quit 0)' >gimp.log 2>&1 || true
  if "$python" - png gimp.txt <<'EOF'; then ok "GIMP opens icnkit's PNGs as INDEXED with the palette"; else bad "GIMP: $(tail -3 gimp.log)"; fi
import sys
from PIL import Image
lines = open(sys.argv[2]).read().splitlines()
assert lines, 'GIMP wrote nothing'
for line in lines:
    rel, rest = line[1:].split('" ', 1)
    base, cmap = rest.split(' ', 1)
    assert base == '2', (rel, 'base type', base)  # 2: INDEXED
    values = [int(v) for v in cmap.strip('#()').split()]
    assert values == Image.open(sys.argv[1] + '/' + rel).getpalette(), rel
EOF
  pack_check gimp_p && pack_check gimp_rgb
fi

if [ "$failures" -gt 0 ]; then
  echo "png_interop: $failures check(s) failed"
  exit 1
fi
echo "png_interop: all checks passed"
