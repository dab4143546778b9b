#!/usr/bin/env python3
"""Writes a corpus of frame folders for comparing two builds of the tools:
COUNT folders per generation, FOLDER/h1/NNN.icn.cadres/ and
FOLDER/h2/NNN.icn.cadres/, each with 8-bit bitmaps and a setup.ini, of
every shape the tools meet: one frame or many, frames of 1x1 up to a few
hundred pixels, empty and all-transparent frames, fill-only frames, frames
of long runs and of single pixels, H2's compact indices, negative and
positive origins, bitmaps of different sizes in one folder, bottom-up and
top-down rows. The same seed gives the same bytes.

Usage: make_corpus.py FOLDER [COUNT] [SEED]
"""
import os, random, struct, sys

folder = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 150
rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)

# A fixed palette: entry 0 the background, the rest a colour ramp.
palette = b''.join(struct.pack('<BBBB', 0, 255, 255, 0) if i == 0 else
                   struct.pack('<BBBB', i, (i * 7) & 255, (i * 13) & 255, 0)
                   for i in range(256))


def bmp(width, height, rows, top_down=False):
    stride = (width + 3) & ~3
    order = rows if top_down else rows[::-1]
    pixels = b''.join(bytes(r) + bytes(stride - width) for r in order)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, -height if top_down else height, 1, 8, 0,
                       len(pixels), 2835, 2835, 256, 0)
    return header + info + palette + pixels


def index_for(style):
    if style == 'compact':
        return rng.choice([1, 2, 3, 4, 8, 9, 246, 247, 250, 253, 255])
    if style == 'flat':
        return 7
    return rng.randint(1, 255)


def frame(width, height, style):
    transparency = rng.choice([0.0, 0.1, 0.4, 0.8])
    rows = []
    for _ in range(height):
        row = []
        while len(row) < width:
            run = rng.choice([1, 1, 2, 3, 5, 20, 70, 130])
            value = 0 if rng.random() < transparency else index_for(style)
            row += [value] * run
        rows.append(row[:width])
    return rows


def folder_of(path, generation):
    os.makedirs(path, exist_ok=True)
    frames = rng.choice([1, 1, 2, 5, 12, 40])
    shared = rng.random() < 0.5
    size = (rng.randint(1, 300), rng.randint(1, 200))
    ini = ['[Position]', f'X={rng.randint(-400, 400)}', f'Y={rng.randint(-400, 400)}', '[Bits]']
    for i in range(frames):
        name = f'{i:04d}.bmp'
        width, height = size if shared else (rng.randint(1, 120), rng.randint(1, 90))
        kind = rng.random()
        if kind < 0.05:
            data = b''  # an empty frame, as the unpackers write it
        elif kind < 0.1:
            data = bmp(width, height, [[0] * width for _ in range(height)])
        else:
            style = rng.choice(['any', 'compact', 'flat'])
            data = bmp(width, height, frame(width, height, style), top_down=rng.random() < 0.1)
        with open(os.path.join(path, name), 'wb') as out:
            out.write(data)
        bits = 32 if rng.random() < 0.15 else 0
        if generation == 'h2' and rng.random() < 0.1:
            bits |= rng.choice([1, 2, 64, 128])
        ini.append(f'{name}={bits}')
    with open(os.path.join(path, 'setup.ini'), 'w', newline='\r\n') as out:
        out.write('\n'.join(ini) + '\n')


for generation in ('h1', 'h2'):
    for n in range(count):
        folder_of(os.path.join(folder, generation, f'{n:03d}.icn.cadres'), generation)
