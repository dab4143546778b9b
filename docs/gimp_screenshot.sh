#!/usr/bin/env bash
# Remakes docs/gimp.png, the README's screenshot of an archive open in GIMP:
# GIMP (with the plug-in in a profile of its own) opens
# examples/sample_h1.icn on a virtual screen (Xvfb), ImageMagick's import
# takes the screen, cropped and reduced to a small palette PNG.
# Usage: docs/gimp_screenshot.sh [BUILD_DIR]   (needs gimp, xvfb, imagemagick)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d /tmp/icnkit-gimp-shot-XXXXXX)
trap 'rm -rf "$work"' EXIT
export GIMP2_DIRECTORY=$work/profile
mkdir -p "$GIMP2_DIRECTORY/plug-ins/file-icn"
cp "$build/gimp/file-icn" "$GIMP2_DIRECTORY/plug-ins/file-icn/"
# The image window alone, zoomed so that the sprite's pixels show.
cat >"$GIMP2_DIRECTORY/sessionrc" <<'RC'
(session-info "toplevel" (factory-entry "gimp-single-image-window") (position 0 0) (size 900 600))
(single-window-mode yes)
RC
xvfb-run -a -s "-screen 0 900x600x24" bash -c "
  gimp -n -s -d -f '$root/examples/sample_h1.icn' >/dev/null 2>&1 &
  sleep \${ICNKIT_SHOT_WAIT:-40}
  import -window root '$work/screen.png'
  kill %1"
convert "$work/screen.png" -colors 64 -strip PNG8:"$root/docs/gimp.png"
ls -l "$root/docs/gimp.png"
