#!/usr/bin/env bash
# Remakes docs/gimp.png, the README's screenshot of an archive open in GIMP:
# GIMP (with the plug-in in a profile of its own) opens
# examples/sample_h1.icn on a virtual screen (Xvfb), ImageMagick's import
# takes the screen, cropped and reduced to a small palette PNG.
# Usage: ICNKIT_SHOT_CROP=1024x768+176+32 docs/gimp_screenshot.sh [BUILD_DIR]
# (needs gimp, xvfb, imagemagick; ICNKIT_SHOT_WAIT: seconds GIMP gets to start, 40)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d /tmp/icnkit-gimp-shot-XXXXXX)
trap 'rm -rf "$work"' EXIT
export GIMP2_DIRECTORY=$work/profile
mkdir -p "$GIMP2_DIRECTORY/plug-ins/file-icn"
cp "$build/gimp/file-icn" "$GIMP2_DIRECTORY/plug-ins/file-icn/"
xvfb-run -a -s "-screen 0 1200x800x24" bash -c "
  gimp -n -s -d -f '$root/examples/sample_h1.icn' >/dev/null 2>&1 &
  sleep \${ICNKIT_SHOT_WAIT:-40}
  import -window root '$work/screen.png'
  kill %1"
convert "$work/screen.png" ${ICNKIT_SHOT_CROP:+-crop "$ICNKIT_SHOT_CROP" +repage} -colors 64 -strip PNG8:"$root/docs/gimp.png"
ls -l "$root/docs/gimp.png"
