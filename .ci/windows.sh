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
# The icnkit tool's libraries: CLI11 and nlohmann-json are header-only and
# used as Debian ships them; libspng and giflib are compiled from Debian's
# source packages (dpkg-source unpacks them) against the MinGW zlib.
.ci/install-missing.sh "${need[@]}" libz-mingw-w64-dev libcli11-dev nlohmann-json3-dev dpkg-dev

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
# The first configure fetches the libspng and giflib sources into
# $build/deps-src; later ones reuse them.
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j"$jobs"

echo "== tests under Wine"
if ! ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 300; then
  # Wine now and then fails to start a program at all: the test ends within
  # milliseconds having printed nothing, not even the test runner's first
  # line. When every failed test is such a one, those are run once more, by
  # name; a test that ran and failed fails the part at once.
  if ! unstarted=$(python3 .ci/wine-unstarted.py "$build/Testing/Temporary/LastTest.log"); then
    exit 1
  fi
  echo "== Wine started nothing for: $(echo $unstarted); running them again"
  ctest --test-dir "$build" --output-on-failure --timeout 300 \
    -R "^($(echo "$unstarted" | sed 's/\./\\./g' | paste -sd'|'))\$"
fi

echo "== Windows zip: the programs need no DLL beyond Windows' own"
rm -f "$build"/*.zip
cpack --preset mingw >/dev/null
zip=$(ls "$build"/*.zip)
unzip -l "$zip"
# Static linking: the C and C++ runtimes, threads, zlib, libspng and giflib
# are inside the .exe files; any other DLL they import (libstdc++-6.dll,
# zlib1.dll, ...) would be missing on a user's machine.
system_dlls='^(kernel32|user32|shell32|advapi32|msvcrt|ucrtbase|ole32|comdlg32|gdi32|api-ms-win-[a-z0-9-]+)\.dll$'
check=$(mktemp -d); trap 'rm -rf "$check"; wineserver -k >/dev/null 2>&1 || true' EXIT
unzip -q "$zip" -d "$check"
if ls "$check" | grep -qi '\.dll$'; then
  echo "the zip ships DLLs" >&2; exit 1
fi
for exe in "$check"/*.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  foreign=$(echo "$dlls" | grep -Ev "$system_dlls" || true)
  echo "$(basename "$exe"): $(echo $dlls)"
  if [ -n "$foreign" ]; then
    echo "$(basename "$exe") needs DLLs that are not part of Windows: $foreign" >&2; exit 1
  fi
done

echo "== Windows and Linux builds exchange frame folders and archives"
.ci/cross-proof.sh "$build/bin"

echo "== Windows part passed in $(($(date +%s) - started)) s"
