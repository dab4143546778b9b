#!/usr/bin/env bash
# The Debian package: builds the release preset (with -Werror), makes the
# .deb and .tar.gz with cpack, and runs lintian on the .deb. Fails on any
# error or warning tag (E: or W:), and when lintian itself fails; prints
# every tag, informational (I:) ones included.
# Checks that the package's Depends names the package of every shared
# library its programs and libicnkit.so load, and that the library is
# shipped as Debian wants it: libicnkit.so.1 (the SONAME) and libicnkit.so
# linking to the versioned file, a shlibs file and the ldconfig trigger, no
# maintainer script.
# Needs: cmake ninja-build g++ lintian dpkg-dev fakeroot file gzip binutils.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-release

for tool in cmake ninja lintian dpkg-shlibdeps file gzip objdump; do
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

# Depends names the package of every shared library a program loads
# (libspng0 and libgif7 for icnkit, libc6, libstdc++6, ...), whether
# dpkg-shlibdeps wrote it or not.
depends=$(dpkg-deb -f "$deb" Depends)
unpacked=$(mktemp -d); control=$(mktemp -d); trap 'rm -rf "$unpacked" "$control"' EXIT
dpkg-deb -x "$deb" "$unpacked"
# The shared library: its SONAME, the links to it, shlibs and trigger.
library=$(find "$unpacked/usr/lib" -name 'libicnkit.so.*.*.*' -print -quit)
[ -n "$library" ] || { echo "deb-check: no libicnkit.so.<version> in the package" >&2; exit 1; }
libdir=$(dirname "$library")
soname=$(objdump -p "$library" | awk '$1 == "SONAME" { print $2 }')
if [ "$soname" != libicnkit.so.1 ] || [ "$(readlink "$libdir/libicnkit.so.1")" != "$(basename "$library")" ] ||
  [ "$(readlink "$libdir/libicnkit.so")" != libicnkit.so.1 ] || ! [ -f "$libdir/libicnkit.a" ]; then
  echo "deb-check: the library is not libicnkit.a, libicnkit.so -> libicnkit.so.1 -> $(basename "$library") (SONAME $soname)" >&2
  exit 1
fi
dpkg-deb --control "$deb" "$control"
scripts=$(find "$control" -regextype egrep -regex '.*/(pre|post)(inst|rm)')
if [ "$(cat "$control/shlibs")" != "libicnkit 1 icnkit (>= $(dpkg-deb -f "$deb" Version))" ] ||
  [ "$(cat "$control/triggers")" != "activate-noawait ldconfig" ] || [ -n "$scripts" ]; then
  echo "deb-check: shlibs, triggers or maintainer scripts are not as a library's:" >&2
  ls "$control" >&2
  exit 1
fi
echo "deb-check: $(basename "$library") (SONAME $soname) with its links, shlibs and the ldconfig trigger"
# The file managers' MIME type and thumbnailer, and the GIMP plug-in where
# libgimp2.0-dev is installed.
plugin=
if pkg-config --exists gimp-2.0 2>/dev/null; then
  plugin=$unpacked$(pkg-config --variable=gimplibdir gimp-2.0)/plug-ins/file-icn/file-icn
fi
for file in usr/share/mime/packages/icnkit.xml usr/share/thumbnailers/icnkit.thumbnailer ${plugin:+"${plugin#"$unpacked"/}"}; do
  [ -f "$unpacked/$file" ] || { echo "deb-check: the package has no $file" >&2; exit 1; }
done

for program in "$unpacked"/usr/bin/* "$library" ${plugin:+"$plugin"}; do
  needed=$(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }')
  # ldd tells where each one is found; dpkg which package put it there.
  while read -r lib path; do
    echo "$needed" | grep -qxF "$lib" || continue
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")" 2>/dev/null) || owner=
    pkg=${owner%%:*}
    if [ -z "$pkg" ]; then
      echo "deb-check: no installed package has $path, which $(basename "$program") loads" >&2
      exit 1
    fi
    if ! echo "$depends" | tr ',|' '\n\n' | awk '{ print $1 }' | grep -qxF "$pkg"; then
      echo "deb-check: $(basename "$program") loads $lib from $pkg, but Depends is: $depends" >&2
      exit 1
    fi
  done < <(ldd "$program" | awk '$2 == "=>" && $3 ~ /^\// { print $1, $3 }')
done
echo "deb-check: Depends covers every library the programs load: $depends"

status=0
tags=$(lintian --info --display-info --fail-on error,warning "$deb" 2>&1) || status=$?
echo "$tags" | grep -E '^[EWIPXOCM]: ' || true
if [ "$status" -ne 0 ] || echo "$tags" | grep -qE '^[EW]: '; then
  echo "$tags" >&2
  echo "deb-check: lintian reports errors or warnings (status $status)" >&2
  exit 1
fi
echo "deb-check: lintian reports no error and no warning"
