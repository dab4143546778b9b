#!/usr/bin/env bash
# Unpacker benchmark: unpacks two synthetic archives of each generation with
# dravel and dravix and sets the wall time beside `cp -r` of the frame folder
# the run produced (the I/O floor: an unpacker must create every bitmap of
# the folder and write all its bytes).
#
#   pixels:   65535 frames of 1 x 1 (the most files)
#   sprites:  2000 frames of 256 x 256 (the most pixels)
#
# Everything generated goes to a scratch folder ($ICNKIT_BENCH_DIR, default
# a fresh folder under /tmp) that is removed at the end unless
# ICNKIT_BENCH_KEEP=1. Each timed run starts from a missing output folder.
#
# Usage: bench/unpack_bench.sh [build/bin] [runs]
set -euo pipefail

bin=$(cd "${1:-build/bin}" && pwd)
runs=${2:-3}
for tool in dravel dravix; do
  [ -x "$bin/$tool" ] || { echo "missing $bin/$tool: build first" >&2; exit 1; }
done
scratch=${ICNKIT_BENCH_DIR:-$(mktemp -d /tmp/icnkit-unpack-bench-XXXXXX)}
mkdir -p "$scratch"
[ "${ICNKIT_BENCH_KEEP:-0}" = 1 ] || trap 'rm -rf "$scratch"' EXIT

# The archives. Their streams use only codes both generations share (end of
# row, literal runs, skip runs of at most 63, end of frame), so one writer
# serves both.
python3 - "$scratch" <<'PY'
import random, struct, sys

folder = sys.argv[1]
rng = random.Random(7)

def stream(rows):
    out = bytearray()
    for row in rows:
        x, n = 0, len(row)
        while x < n:
            if row[x] == 0:
                end = x
                while end < n and row[end] == 0 and end - x < 63: end += 1
                if end == n: break  # the end-of-row code covers it
                out.append(0x80 + end - x)
            else:
                end = x
                while end < n and row[end] != 0 and end - x < 127: end += 1
                out.append(end - x)
                out += bytes(row[x:end])
            x = end
        out.append(0)
    out.append(0x80)
    return bytes(out)

def sprite(size):
    """Random colour runs with transparent gaps, inside an ellipse."""
    rows, half = [], size / 2
    for y in range(size):
        dy = (y + 0.5 - half) / half
        reach = int(half * (1 - dy * dy) ** 0.5)
        row = [0] * size
        for x in range(int(half) - reach, int(half) + reach):
            row[x] = rng.choice((0, rng.randint(1, 255), 9, 9))
        rows.append(row)
    return stream(rows)

def archive(path, record_size, streams, count, size):
    table, data = bytearray(), bytearray()
    for i in range(count):
        offset = record_size * count + len(data)
        # Positions vary a little, so the union rectangle is larger than a frame.
        table += struct.pack('<hhHH', -(size // 2) + i % 3, -size + i % 5, size, size)
        if record_size == 13: table.append(0)
        table += struct.pack('<I', offset)
        data += streams[i % len(streams)]
    body = bytes(table) + bytes(data)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HI', count, len(body)) + body)

pixels = [stream([[v]]) for v in range(1, 256)]
sprites = [sprite(256) for _ in range(16)]
for gen, record in (('h1', 12), ('h2', 13)):
    archive(f'{folder}/{gen}_pixels.icn', record, pixels, 65535, 1)
    archive(f'{folder}/{gen}_sprites.icn', record, sprites, 2000, 256)
PY

cd "$scratch"

# Best of $runs wall times in seconds of "$@", each after `prepare`.
best() {
  local prepare=$1 best_time=
  shift
  for _ in $(seq "$runs"); do
    local start end t
    $prepare
    sync
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')
    if [ -z "$best_time" ] || awk -v t="$t" -v b="$best_time" 'BEGIN { exit !(t < b) }'; then
      best_time=$t
    fi
  done
  printf '%.3f' "$best_time"
}

printf '%-7s %-8s %6s %5s %9s %7s %6s\n' tool archive frames MB unpack_s cp_s ratio
for gen in h1 h2; do
  unpacker=$([ $gen = h1 ] && echo dravel || echo dravix)
  for name in pixels sprites; do
    archive="${gen}_$name.icn"
    folder="$archive.cadres"
    remove_output() { rm -rf "$folder"; }
    remove_copy() { rm -rf copy; }
    unpack=$(best remove_output "$bin/$unpacker" "$archive")
    frames=$(find "$folder" -name '*.bmp' | wc -l)
    mb=$(du -sm --apparent-size "$folder" | cut -f1)
    floor=$(best remove_copy cp -r "$folder" copy)
    remove_copy
    printf '%-7s %-8s %6d %5d %9s %7s %6.2f\n' "$unpacker" "$name" "$frames" "$mb" "$unpack" \
      "$floor" "$(awk -v u="$unpack" -v f="$floor" 'BEGIN { print u / f }')"
    rm -rf "$folder"
  done
done
