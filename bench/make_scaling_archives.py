#!/usr/bin/env python3
"""Writes the archives of bench/scaling_bench.sh into FOLDER:
h1_/h2_ 1000, 10000 and 65535 small frames, h1_far.icn (a union of
131070 x 131070, beyond any BMP), h1_large.icn (16384 x 16384, legal) and
h1_endless.icn (65535 frames sharing one stream without an end).

Usage: make_scaling_archives.py FOLDER
"""
import random, struct, sys

from bench_archives import archive, stream

folder = sys.argv[1]

def frame_stream(w, h, rng):
    return stream([[0 if rng.random() < 0.25 else rng.randint(1, 4) for _ in range(w)]
                   for _ in range(h)])

for count in (1000, 10000, 65535):
    rng = random.Random(count)
    frames = []
    for _ in range(count):
        w, h = rng.randint(2, 6), rng.randint(2, 6)
        frames.append((rng.randint(0, 12 - w), rng.randint(0, 12 - h), w, h, frame_stream(w, h, rng)))
    archive(f'{folder}/h1_{count}.icn', frames, 12)
    archive(f'{folder}/h2_{count}.icn', frames, 13)

# Beyond any BMP: a union of 131070 x 131070.
far = [(-32768, -32768, 1, 1, b'\x01\x07\x00\x80'), (32767, 32767, 65535, 65535, b'\x80')]
archive(f'{folder}/h1_far.icn', far, 12)
# Large but legal: a union of 16384 x 16384, 256 MiB per bitmap.
large = [(0, 0, 1, 1, b'\x01\x07\x00\x80'), (16383, 16383, 1, 1, b'\x01\x08\x00\x80')]
archive(f'{folder}/h1_large.icn', large, 12)

# Hostile: 65535 frames of 1 x 1 share one stream of 256 KiB of skip codes
# without an end; each frame must cost what a 1 x 1 frame does, not a read
# to the end of the file.
endless = b'\x81' * (256 * 1024)
table = b''.join(struct.pack('<hhHHI', 0, 0, 1, 1, 12 * 65535) for _ in range(65535))
with open(f'{folder}/h1_endless.icn', 'wb') as f:
    f.write(struct.pack('<HI', 65535, len(table) + len(endless)) + table + endless)
