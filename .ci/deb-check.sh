#!/usr/bin/env bash
# The Debian package: builds the release preset (with -Werror), makes the
# .deb and .tar.gz with cpack, and runs lintian on the .deb. Fails on any
# error or warning tag (E: or W:), and when lintian itself fails; prints
# every tag, informational (I:) ones included.
# Needs: cmake ninja-build g++ lintian dpkg-dev fakeroot file gzip.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-release

for tool in cmake ninja lintian dpkg-shlibdeps file gzip; do
  command -v "$tool" >/dev/null || { echo "deb-check: $tool is missing" >&2; exit 1; }
done

cmake --preset release -DICNKIT_WERROR=ON
cmake --build --preset release -j"$(nproc)"
rm -f "$build"/*.deb "$build"/*.tar.gz
cpack --preset release
deb=$(ls "$build"/*.deb)
echo "deb-check: $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

status=0
tags=$(lintian --info --display-info --fail-on error,warning "$deb" 2>&1) || status=$?
echo "$tags" | grep -E '^[EWIPXOCM]: ' || true
if [ "$status" -ne 0 ] || echo "$tags" | grep -qE '^[EW]: '; then
  echo "$tags" >&2
  echo "deb-check: lintian reports errors or warnings (status $status)" >&2
  exit 1
fi
echo "deb-check: lintian reports no error and no warning"
