#!/usr/bin/env bash
# bench/page_bench.sh: the page's time limits with hostile and big archives
# (tests/web/page-load.test.mjs with ICNKIT_PAGE_TIMING=1): the 19- and
# 55-byte files declaring 16000 x 16000 frames drawn or refused within 1 s,
# 65,535 frames scrolled and an 88 MB archive's first frame within 1 s, no
# main-thread task over 100 ms. Prints each figure; fails past a limit. Run
# on a machine doing nothing else, after the web build (.ci/web.sh builds it)
# and `npm ci` in tests/web; ICNKIT_PAGE_SLACK=N allows N times the limits.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -f build-web/web/icnkit.js ]] || { echo "page_bench: build the module first (cmake --preset web)" >&2; exit 1; }
ICNKIT_PAGE_TIMING=1 node --test tests/web/page-load.test.mjs
