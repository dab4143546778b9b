#!/usr/bin/env bash
# .ci/same-output.sh [NEW_BIN [OLD_BIN]]: fails unless the four tools of
# NEW_BIN (default build/bin) write the same files, print the same messages
# and exit with the same statuses as those of OLD_BIN. Without OLD_BIN the
# old tools are built from commit d338453, the last one before the tools
# were rebuilt on the file-system layer, in a temporary folder. Compared:
#   1. the samples (examples/*.icn): unpacked, previewed, packed back;
#   2. bench/compare_builds.sh: 150 generated frame folders per generation
#      ($SAME_OUTPUT_COUNT to change it), their 300 archives and previews,
#      damaged archives and folders.
set -euo pipefail
cd "$(dirname "$0")/.."
new_bin=$(realpath "${1:-build/bin}")
work=$(mktemp -d)
# Kept when the builds differ, for a look at the outputs and diff.txt.
trap 'if [ $? -eq 0 ]; then rm -rf "$work"; else echo "same-output: outputs kept in $work" >&2; fi' EXIT

if [ -n "${2:-}" ]; then
  old_bin=$(realpath "$2")
else
  if ! git cat-file -e 'd338453^{commit}' 2>/dev/null; then
    echo "same-output: commit d338453 is not in this clone (shallow?); fetch it or name OLD_BIN" >&2
    exit 1
  fi
  echo "same-output: building the tools of d338453"
  mkdir "$work/old-src"
  git archive d338453 | tar -x -C "$work/old-src"
  cmake -S "$work/old-src" -B "$work/old-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DICNKIT_BUILD_TESTS=OFF -DICNKIT_BUILD_BENCH=OFF >/dev/null
  cmake --build "$work/old-build" -j"$(nproc)" >/dev/null
  old_bin=$work/old-build/bin
fi

# The samples, run in one folder for both builds (messages name full paths),
# kept in WORK/samples-<which>.
samples() {  # samples BIN WHICH
  local bin=$1 run=$work/run
  rm -rf "$run"
  mkdir -p "$run/previews"
  cp examples/sample_h1.icn examples/sample_h2.icn "$run/"
  (
    cd "$run"
    for tools in "dravel morlet sample_h1" "dravix morvix sample_h2"; do
      read -r unpacker packer name <<<"$tools"
      echo "$unpacker $name: $("$bin/$unpacker" "$name.icn" 2>&1; echo "exit $?")"
      mkdir "previews/$name" && cp "$name.icn" "previews/$name/"
      echo "$unpacker preview: $("$bin/$unpacker" "previews/$name" "previews/$name.out" 2>&1; echo "exit $?")"
      mv "$name.icn" "$name.icn.given"
      echo "$packer $name: $("$bin/$packer" "$name.icn.cadres" 2>&1; echo "exit $?")"
      if cmp -s "$name.icn" "$name.icn.given"; then echo "$name: packed back byte for byte"; else
        echo "$name: packed back differently"; fi
    done
  ) >"$work/log.txt"
  mv "$work/log.txt" "$run/"
  mv "$run" "$work/samples-$2"
}
samples "$old_bin" old
samples "$new_bin" new
if ! diff -r "$work/samples-old" "$work/samples-new"; then
  echo "same-output: the samples differ" >&2
  exit 1
fi
echo "same-output: samples identical ($(find "$work/samples-new" -type f | wc -l) files)"

COMPARE_WORK=$work/corpus bench/compare_builds.sh "$old_bin" "$new_bin" "${SAME_OUTPUT_COUNT:-150}"
