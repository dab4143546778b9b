#!/usr/bin/env python3
"""Synthetic archives of the tool benchmarks.

As a module: stream(rows) and archive(path, frames, record_size), the one
writer of archives behind bench/make_scaling_archives.py and this script.
The streams use only codes both generations share (end of row, literal runs,
skip runs of at most 63, end of frame), so one writer serves both.

As a script, writes into FOLDER the archives of bench/unpack_bench.sh and
bench/pack_bench.sh, for each generation (h1_, h2_):
  pixels.icn   65535 frames of 1 x 1 (the most files)
  sprites.icn  2000 frames of 256 x 256 (the most pixels): ellipses of
               colour runs that touch their frame's four edges, positions
               varying a little so that the union rectangle is larger

Usage: bench_archives.py FOLDER
"""
import random, struct, sys


def stream(rows):
    """rows: lists of palette indices, 0 transparent."""
    out = bytearray()
    for row in rows:
        x, n = 0, len(row)
        while x < n:
            end = x
            if row[x] == 0:
                while end < n and row[end] == 0 and end - x < 63: end += 1
                if end == n: break  # the end-of-row code covers it
                out.append(0x80 + end - x)
            else:
                while end < n and row[end] != 0 and end - x < 127: end += 1
                out.append(end - x)
                out += bytes(row[x:end])
            x = end
        out.append(0x00)
    out.append(0x80)
    return bytes(out)


def archive(path, frames, record_size):
    """frames: (left, top, width, height, stream); record_size 12 (H1) or 13 (H2)."""
    table, data = bytearray(), bytearray()
    for left, top, width, height, s in frames:
        offset = record_size * len(frames) + len(data)
        table += struct.pack('<hhHH', left, top, width, height)
        if record_size == 13: table.append(0)
        table += struct.pack('<I', offset)
        data += s
    body = bytes(table) + bytes(data)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HI', len(frames), len(body)) + body)


def sprite(rng, size):
    """An ellipse of colour runs with now and then a hole; every frame
    touches its own four edges."""
    rows, half = [], size / 2
    for y in range(size):
        dy = (y + 0.5 - half) / half
        reach = max(int(half * (1 - dy * dy) ** 0.5), 1)
        row, x = [0] * size, int(half) - reach
        while x < int(half) + reach:
            run, value = rng.randint(1, 24), rng.choice((0, 9, rng.randint(1, 255)))
            for k in range(x, min(x + run, int(half) + reach)): row[k] = value
            x += run
        rows.append(row)
    for y in (0, size - 1): rows[y][size // 2] = 9
    for x in (0, size - 1): rows[size // 2][x] = 9
    return stream(rows)


def main(folder):
    rng = random.Random(7)
    pixels = [stream([[v]]) for v in range(1, 256)]
    sprites = [sprite(rng, 256) for _ in range(16)]
    for gen, record in (('h1', 12), ('h2', 13)):
        archive(f'{folder}/{gen}_pixels.icn',
                [(0, 0, 1, 1, pixels[i % len(pixels)]) for i in range(65535)], record)
        archive(f'{folder}/{gen}_sprites.icn',
                [(-128 + i % 3, -256 + i % 5, 256, 256, sprites[i % len(sprites)])
                 for i in range(2000)], record)


if __name__ == '__main__':
    main(sys.argv[1])
