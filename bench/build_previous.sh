#!/usr/bin/env bash
# bench/build_previous.sh [COMMIT] [DIR]: builds the four tools of an
# earlier commit (default: the release before the packers' guard against
# replacing an archive of the other generation, found with git log -S) in
# DIR (default build/previous), for ICNKIT_BENCH_PREVIOUS=DIR/build/bin
# bench/pack_bench.sh. Prints the folder of the tools.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
guard=$(git -C "$root" log --format=%H -S CheckReplacedGeneration --reverse -- pack | head -1)
commit=${1:-$guard^}
dir=$(mkdir -p "${2:-$root/build/previous}" && cd "${2:-$root/build/previous}" && pwd)
rm -rf "$dir/src"
mkdir -p "$dir/src"
git -C "$root" archive "$commit" | tar -x -C "$dir/src"
cmake -S "$dir/src" -B "$dir/build" -G Ninja -DICNKIT_BUILD_TESTS=OFF -DICNKIT_BUILD_BENCH=OFF \
  -DICNKIT_PYTHON=OFF ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} \
  >"$dir/configure.log"
cmake --build "$dir/build" -j"${JOBS:-2}" --target dravel dravix morlet morvix >"$dir/build.log"
echo "$dir/build/bin"
