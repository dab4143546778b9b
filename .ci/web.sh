#!/usr/bin/env bash
# CI, web part: builds the WebAssembly module from scratch (preset web:
# Debian's emscripten; libspng, giflib and zlib compiled from Debian's
# source packages), then runs its tests: the module under Node
# (tests/web/module.test.mjs, Node's own test runner) and in headless
# Chromium from file:// and from a server (tests/web/browser.test.mjs), the
# page (tests/web/page.test.mjs, with axe-core's checks; page-load.test.mjs,
# hostile and big archives) and the Phaser plugin in a Phaser 4 game
# (tests/web/phaser.test.mjs), playwright-core, axe-core and phaser from npm
# at the version of tests/web/package-lock.json; the npm package installed
# from its tarball into a project of its own (tests/web/npm_package.sh: Node,
# esbuild, TypeScript); the sizes docs/web.md gives (tests/web/sizes_check.py),
# within 10% of the build's. The outputs are compared with the native
# icnkit's (build/bin/icnkit).
# What is missing is installed first; node must be on the machine (18 or
# later).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
step() { echo "== [$(($(date +%s) - started)) s] $*"; }

command -v node >/dev/null || { echo "node (18 or later) is not on PATH" >&2; exit 1; }
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v npm >/dev/null || need+=(npm)
.ci/install-missing.sh "${need[@]}" emscripten libcli11-dev nlohmann-json3-dev dpkg-dev chromium imagemagick python3
jobs=$(nproc)

step "web build from scratch (cmake --preset web)"
rm -rf build-web
cmake --preset web >/dev/null
cmake --build --preset web -j"$jobs"

# The tests compare with the native tool's files: build/bin/icnkit, built
# here when .ci/run has not built it yet.
if [[ ! -x build/bin/icnkit ]]; then
  step "the native icnkit (preset dev) for the comparisons"
  cmake --preset dev >/dev/null
  cmake --build --preset dev -j"$jobs" --target icnkit
fi

step "the module under Node $(node --version)"
node --test tests/web/module.test.mjs

step "the module and the page in headless Chromium"
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
node --test tests/web/browser.test.mjs tests/web/page.test.mjs tests/web/page-load.test.mjs \
  tests/web/phaser.test.mjs

step "the npm package: npm pack, npm install of the tarball, Node, esbuild, TypeScript"
tests/web/npm_package.sh build-web/web

step "the sizes docs/web.md gives"
python3 tests/web/sizes_check.py build-web/web docs/web.md

step "web part passed"
