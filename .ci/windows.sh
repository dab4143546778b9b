#!/usr/bin/env bash
# CI, Windows part: cross-build the Windows executables with MinGW-w64, run
# the whole test suite (unit and end-to-end tests of the real .exe files)
# under Wine, then check that frame folders and archives made by the Windows
# and the Linux builds are interchangeable (.ci/cross-proof.sh).
#
# Wine runs headless (no DISPLAY: a message box returns at once instead of
# waiting for a click), quiet (WINEDEBUG=-all), in a private prefix under the
# build tree, and with the tools in console mode (ICNKIT_CONSOLE=1).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
command -v wine >/dev/null || need+=(wine64 wine)
[ -f /usr/src/googletest/googletest/CMakeLists.txt ] || need+=(libgtest-dev)
if [ ${#need[@]} -gt 0 ]; then
  echo "== installing: ${need[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

jobs=$(nproc)
build=build-mingw
mkdir -p "$build"

echo "== starting Wine"
export WINEPREFIX=$PWD/$build/wineprefix WINEDEBUG=-all ICNKIT_CONSOLE=1
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# Wine's server and session helpers outlive the program that starts them and
# keep its standard handles open; started from ctest's pipes they stall or
# break the tests. So the prefix is made, the server started persistently
# and the session brought up here, once, detached from every pipe.
timeout 120 wineboot -i </dev/null >/dev/null 2>&1
timeout 30 wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
timeout 60 wine wineboot.exe </dev/null >/dev/null 2>&1

echo "== cross build (MinGW-w64, -Werror)"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"$jobs"

echo "== tests under Wine"
ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 300

echo "== Windows and Linux builds exchange frame folders and archives"
.ci/cross-proof.sh "$build/bin"

echo "== Windows part passed in $(($(date +%s) - started)) s"
