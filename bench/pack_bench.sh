#!/usr/bin/env bash
# Packer benchmark: packs two frame folders with morlet and morvix and sets
# the wall time beside reading all their bitmaps with cat (the floor: a
# packer must read every byte of every bitmap once).
#
#   one-pixel:  65535 frames of 1 x 1 (the most files)
#   256x256:    2000 frames of 256 x 256 (the most pixels)
#
# The frame folders are made the way a user gets them: a synthetic archive,
# unpacked with dravel / dravix. Everything generated goes to a scratch
# folder ($ICNKIT_BENCH_DIR, default a fresh folder under /tmp) that is
# removed at the end unless ICNKIT_BENCH_KEEP=1.
#
# Usage: bench/pack_bench.sh [build/bin] [runs]
set -euo pipefail

bin=$(cd "${1:-build/bin}" && pwd)
runs=${2:-3}
for tool in dravel dravix morlet morvix; do
  [ -x "$bin/$tool" ] || { echo "missing $bin/$tool: build first" >&2; exit 1; }
done
scratch=${ICNKIT_BENCH_DIR:-$(mktemp -d /tmp/icnkit-pack-bench-XXXXXX)}
mkdir -p "$scratch"
[ "${ICNKIT_BENCH_KEEP:-0}" = 1 ] || trap 'rm -rf "$scratch"' EXIT

# Synthetic archives. The streams use only codes both generations share
# (end of row, literal runs, skip runs of at most 63, end of frame), so one
# writer serves both; the packers then re-encode with their own codecs.
python3 - "$scratch" <<'EOF'
import random, struct, sys

folder = sys.argv[1]
rng = random.Random(1)

def stream(rows):
    """rows: lists of palette indices, 0 transparent."""
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
    """An ellipse of colour runs; every frame touches its own four edges."""
    rows, half = [], size / 2
    for y in range(size):
        dy = (y + 0.5 - half) / half
        reach = int(half * (1 - dy * dy) ** 0.5) if abs(dy) < 1 else 0
        left, right = int(half) - max(reach, 1), int(half) + max(reach, 1)
        row, x = [0] * size, left
        while x < right:
            run, value = rng.randint(1, 24), rng.randint(1, 255)
            for k in range(x, min(x + run, right)): row[k] = value
            x += run
        rows.append(row)
    for y in (0, size - 1): rows[y][size // 2] = 9
    for x in (0, size - 1): rows[size // 2][x] = 9
    return stream(rows)

def archive(path, record_size, streams, count, width, height):
    table, data = bytearray(), bytearray()
    base = record_size * count
    for i in range(count):
        offset = base + len(data)
        table += struct.pack('<hhHH', -(width // 2), -height, width, height)
        if record_size == 13: table.append(0)
        table += struct.pack('<I', offset)
        data += streams[i % len(streams)]
    body = bytes(table) + bytes(data)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HI', count, len(body)) + body)

pixel = [stream([[v]]) for v in range(1, 256)]
big = [sprite(256) for _ in range(16)]
for gen, size in (('h1', 12), ('h2', 13)):
    archive(f'{folder}/{gen}_pixels.icn', size, pixel, 65535, 1, 1)
    archive(f'{folder}/{gen}_sprites.icn', size, big, 2000, 256, 256)
EOF

cd "$scratch"
for gen in h1 h2; do
  unpacker=$([ $gen = h1 ] && echo dravel || echo dravix)
  for name in pixels sprites; do "$bin/$unpacker" "${gen}_$name.icn" >/dev/null; done
done

# Best of $runs wall times, in seconds.
best() {
  local best_time=
  for _ in $(seq "$runs"); do
    local start end t
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

read_all() { find "$1" -name '*.bmp' -print0 | xargs -0 cat >/dev/null; }
# What a packer must write: the archive, flushed to the disk before it is
# renamed into place.
write_archive() { dd if="$1" of="$1.copy" bs=4M conv=fdatasync status=none && rm -f "$1.copy"; }

# ratio: pack / cat (the read floor); ratio_rw: pack / (cat + writing the
# archive durably), the floor of reading every bitmap and writing the result.
printf '%-7s %-8s %6s %5s %7s %7s %7s %6s %8s\n' \
  tool folder frames MB pack_s cat_s write_s ratio ratio_rw
for gen in h1 h2; do
  packer=$([ $gen = h1 ] && echo morlet || echo morvix)
  for name in pixels sprites; do
    folder="${gen}_$name.icn.cadres"
    frames=$(find "$folder" -name '*.bmp' | wc -l)
    mb=$(du -sm --apparent-size "$folder" | cut -f1)
    read_all "$folder"  # warm the page cache for both
    floor=$(best read_all "$folder")
    pack=$(best "$bin/$packer" "$folder")
    write=$(best write_archive "${gen}_$name.icn")
    printf '%-7s %-8s %6d %5d %7s %7s %7s %6.2f %8.2f\n' "$packer" "$name" "$frames" "$mb" \
      "$pack" "$floor" "$write" "$(awk -v p="$pack" -v f="$floor" 'BEGIN { print p / f }')" \
      "$(awk -v p="$pack" -v f="$floor" -v w="$write" 'BEGIN { print p / (f + w) }')"
  done
done
