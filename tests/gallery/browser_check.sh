#!/usr/bin/env bash
# The gallery in a real browser: builds a gallery of the sample archives and
# of generated ones (empty and fill-only frames included), opens the index
# and one archive page in headless Chromium, takes a screenshot of each, and
# checks that every image loaded (naturalWidth > 0, read by a small script
# in a copy of each page, reported through --dump-dom).
#
# Usage: tests/gallery/browser_check.sh [BIN_DIR] [SCREENSHOT_DIR]
#   BIN_DIR         the built tools (default build/bin)
#   SCREENSHOT_DIR  where index.png and page.png go (default: a temporary folder)
# Needs chromium (Debian package chromium). Exit 0 when every image loaded.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(cd "${1:-$root/build/bin}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
shots=${2:-$work/shots}
mkdir -p "$shots" "$work/archives"
shots=$(cd "$shots" && pwd)

cp "$root/examples/sample_h1.icn" "$root/examples/sample_h2.icn" "$work/archives/"
# An H1 archive whose only frame is empty (0 x 0): header, one 12-byte
# record pointing right after the table, the end-of-frame code.
printf '\1\0\x0d\0\0\0\0\0\0\0\0\0\0\0\x0c\0\0\0\x80' > "$work/archives/blank.icn"
"$bin/icnkit" -q gallery -j 2 -o "$work/site" "$work/archives"

browser() {
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --allow-file-access-from-files \
    --virtual-time-budget=5000 --window-size=1280,2000 "$@" 2> /dev/null
}

# A copy of the page with a script that writes how many images failed into
# the DOM once everything has loaded.
check_page() {
  local page=$1 name=$2
  local copy="${page%.html}.check.html"
  sed 's#</body>#<script>addEventListener("load",()=>{const i=[...document.images];document.body.setAttribute("data-images",i.length);document.body.setAttribute("data-broken",i.filter(x=>!(x.complete\&\&x.naturalWidth>0)).map(x=>x.getAttribute("src")).join(" ")||"none")})</script></body>#' \
    "$page" > "$copy"
  local dom
  dom=$(browser --dump-dom "file://$copy")
  local images broken
  images=$(grep -o 'data-images="[0-9]*"' <<< "$dom" | grep -o '[0-9]*' || true)
  broken=$(grep -o 'data-broken="[^"]*"' <<< "$dom" | sed 's/data-broken="\(.*\)"/\1/' || true)
  if [ -z "$images" ] || [ "$broken" != "none" ]; then
    echo "$name: images that did not load: ${broken:-the check did not run}" >&2
    return 1
  fi
  browser --screenshot="$shots/$name.png" "file://$page" > /dev/null
  [ -s "$shots/$name.png" ] || { echo "$name: no screenshot" >&2; return 1; }
  echo "$name: $images images loaded, screenshot $shots/$name.png"
}

status=0
check_page "$work/site/index.html" index || status=1
check_page "$work/site/a/sample_h2.icn.html" page || status=1
check_page "$work/site/a/blank.icn.html" blank || status=1
exit $status
