#!/usr/bin/env bash
# The gallery in a real browser: builds a gallery of the sample archives and
# of an archive whose only frame is empty, then opens the index and two
# archive pages in headless Chromium (tests/gallery/gallery.test.mjs,
# playwright-core from tests/web): every image loads, sprites are drawn
# scaled by a whole factor with square pixels, still, and animated while
# hovered, counts are singular or plural as they should be; a screenshot of
# each page is taken. docs/gallery.png is the index's (index.png).
#
# Usage: tests/gallery/browser_check.sh [BIN_DIR] [SCREENSHOT_DIR]
#   BIN_DIR         the built tools (default build/bin)
#   SCREENSHOT_DIR  where index.png, index-hover.png, page.png and blank.png
#                   go (default: a temporary folder)
# Needs chromium (Debian package chromium), node 18 or later and npm (for
# playwright-core, installed into tests/web/node_modules by npm ci at the
# version of tests/web/package-lock.json when missing). Exit 0 when every
# check passed.
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

if [ ! -d "$root/tests/web/node_modules/playwright-core" ]; then
  (cd "$root/tests/web" && npm ci --no-audit --no-fund --loglevel=error)
fi
SITE="$work/site" SHOTS="$shots" node --test "$root/tests/gallery/gallery.test.mjs"
echo "screenshots in $shots"
