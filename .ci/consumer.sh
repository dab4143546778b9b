#!/usr/bin/env bash
# The installed library in a program of its own: installs a build (default
# build/) into a temporary prefix with cmake --install, builds
# examples/consumer against the installed tree four ways (CMake's
# find_package and pkg-config, each with libicnkit.so and libicnkit.a), runs
# each on examples/sample_h1.icn and checks what it prints and its PNG of
# frame 0 (the pixels and colours of the tool's own PNG of that frame).
# Checks too that libicnkit.so exports the API alone.
# Needs: cmake ninja-build g++ pkg-config libspng-dev libgif-dev python3-pil.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(realpath "${1:-build}")
sample=$root/examples/sample_h1.icn

for tool in cmake ninja c++ pkg-config nm c++filt; do
  command -v "$tool" >/dev/null || { echo "consumer: $tool is missing" >&2; exit 1; }
done
# The first Python with Pillow (a virtual environment may shadow Debian's).
python=
for candidate in python3 /usr/bin/python3; do
  if "$candidate" -c 'import PIL' 2>/dev/null; then python=$candidate && break; fi
done
[ -n "$python" ] || { echo "consumer: needs Pillow (python3-pil)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
shared=$(find "$prefix" -name 'libicnkit.so.1' -print -quit)
libdir=$(dirname "${shared:-/none/x}")
if ! [ -f "$libdir/libicnkit.so.1" ] || ! [ -f "$libdir/libicnkit.a" ] ||
  ! [ -f "$libdir/pkgconfig/icnkit.pc" ]; then
  echo "consumer: the installed tree lacks libicnkit.so.1, libicnkit.a or icnkit.pc" >&2
  exit 1
fi

# Every symbol the shared library defines is the API's (namespace icnkit).
others=$(nm -D --defined-only "$libdir/libicnkit.so.1" | c++filt |
  grep -vE ' (icnkit::|typeinfo for icnkit::|typeinfo name for icnkit::|vtable for icnkit::)' |
  grep -v ' A ICNKIT_1$' || true)
if [ -n "$others" ]; then
  echo "consumer: libicnkit.so.1 exports more than the API:" >&2
  echo "$others" >&2
  exit 1
fi

# The four builds.
source=$root/examples/consumer
for kind in shared static; do
  static=OFF
  [ "$kind" = static ] && static=ON
  cmake -S "$source" -B "$work/cmake-$kind" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DCONSUMER_STATIC=$static >/dev/null
  cmake --build "$work/cmake-$kind" >/dev/null
  cp "$work/cmake-$kind/consumer" "$work/consumer-cmake-$kind"
done
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046  # pkg-config's flags are words
c++ -std=c++20 -o "$work/consumer-pkgconfig-shared" "$source/consumer.cpp" \
  $(pkg-config --cflags --libs icnkit) -Wl,-rpath,"$libdir"
# shellcheck disable=SC2046
c++ -std=c++20 -o "$work/consumer-pkgconfig-static" "$source/consumer.cpp" \
  $(pkg-config --cflags icnkit) \
  $(pkg-config --static --libs icnkit | sed 's/-licnkit\b/-l:libicnkit.a/')

# The tool's PNG of every frame, drawn on the archive's rectangle.
"$prefix/bin/icnkit" unpack --format png --transparent -o "$work/tool" "$sample" >/dev/null
expected="sample_h1.icn: H1, 5 frames
0: 17 x 17 at (-8, -41)
1: 17 x 17 at (-8, -27)
2: 21 x 13 at (-10, -13)
3: 15 x 19 at (-7, -25)
4: 15 x 5 at (-7, -2), fill-only"
for way in cmake-shared cmake-static pkgconfig-shared pkgconfig-static; do
  program=$work/consumer-$way
  loads=$(ldd "$program" | awk '$1 ~ /^libicnkit/ { print $3 }')
  case $way in
    *-shared) [ "$loads" = "$libdir/libicnkit.so.1" ] ||
      { echo "consumer ($way): loads libicnkit from '$loads', not $libdir" >&2; exit 1; } ;;
    *-static) [ -z "$loads" ] ||
      { echo "consumer ($way): loads $loads, linked statically" >&2; exit 1; } ;;
  esac
  output=$("$program" "$sample" "$work/$way.png")
  if [ "$output" != "$expected" ]; then
    echo "consumer ($way) printed:" >&2
    echo "$output" >&2
    exit 1
  fi
  # Frame 0 is the tool's frame PNG cut at the frame's place within the
  # archive's rectangle (-10, -41): indices and colours the same.
  "$python" - "$work/$way.png" "$work/tool/sample_h1.icn.cadres/0000.png" <<'PYTHON'
import sys
from PIL import Image
frame, whole = Image.open(sys.argv[1]), Image.open(sys.argv[2])
cut = whole.crop((-8 + 10, -41 + 41, -8 + 10 + 17, -41 + 41 + 17))
assert frame.mode == "P" and frame.size == (17, 17), (frame.mode, frame.size)
assert list(frame.getdata()) == list(cut.getdata()), "pixels differ"
assert frame.getpalette() == whole.getpalette(), "colours differ"
assert frame.info.get("transparency") == 0, "index 0 is not transparent"
PYTHON
  echo "consumer: $way: built against the installed tree, output and frame 0 right"
done
