#!/usr/bin/env python3
# Writes the two source pictures of the test bitmaps as plain PPM files and
# the bitmaps made by hand (top-down) or with Pillow. Run in this folder.
import struct

# Pattern A: 13 x 5, six colours (ImageMagick then writes 4 bits per pixel
# uncompressed and 8 bits with RLE).
COLOURS_A = {'R': (255, 0, 0), 'G': (0, 255, 0), 'B': (0, 0, 255),
             'W': (255, 255, 255), 'K': (0, 0, 0), 'Y': (255, 255, 0)}
ROWS_A = ["RRRRRGGGBBWKK", "KRGBWYRGBWYKK", "WWWWWWWWWWWWW",
          "YYYKKKRRRGGGB", "BGRBGRBGRBGRB"]

# Pattern B: 13 x 5, twenty colours (more than 16: 8 bits per pixel).
COLOURS_B = [(i * 12, 255 - i * 12, (i * 37) % 256) for i in range(20)]
ROWS_B = [[0, 0, 0, 0, 1, 2, 3, 4, 5, 5, 5, 6, 7],
          [8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0],
          [19] * 13,
          [1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7],
          [9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 19, 0]]


def write_ppm(name, rows):
    with open(name, 'w') as f:
        f.write("P3\n%d %d\n255\n" % (len(rows[0]), len(rows)))
        for row in rows:
            f.write(" ".join("%d %d %d" % rgb for rgb in row) + "\n")


write_ppm('pattern_a.ppm', [[COLOURS_A[c] for c in row] for row in ROWS_A])
write_ppm('pattern_b.ppm', [[COLOURS_B[i] for i in row] for row in ROWS_B])

# Top-down 8-bit file of pattern B: negative height, rows stored top first,
# colour table of the twenty colours, image-size field 0.
width, height = 13, 5
stride = (width + 3) & ~3
table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in COLOURS_B)
pixels = b"".join(bytes(row) + bytes(stride - width) for row in ROWS_B)
offset = 14 + 40 + len(table)
info = struct.pack('<IiiHHIIiiII', 40, width, -height, 1, 8, 0, 0, 2835, 2835, 20, 0)
header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
with open('topdown_8bit_b.bmp', 'wb') as f:
    f.write(header + info + table + pixels)


# Pattern B, 8 bits, colours-used field 0 (which would mean 256 entries) but
# only the twenty colours stored: the pixel-data offset follows them.
offset = 14 + 40 + len(table)
pixels_up = b"".join(bytes(row) + bytes(stride - width) for row in reversed(ROWS_B))
info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, 0, 2835, 2835, 0, 0)
header = struct.pack('<2sIHHI', b'BM', offset + len(pixels_up), 0, 0, offset)
with open('short_table_8bit_b.bmp', 'wb') as f:
    f.write(header + info + table + pixels_up)

# Pattern B, the 12-byte core header, 252 three-byte entries (the twenty
# colours, then grey) and the pixels right after them.
core_table = b"".join(bytes((b, g, r)) for (r, g, b) in COLOURS_B)
core_table += b"".join(bytes((i, i, i)) for i in range(20, 252))
offset = 14 + 12 + len(core_table)
info = struct.pack('<IHHHH', 12, width, height, 1, 8)
header = struct.pack('<2sIHHI', b'BM', offset + len(pixels_up), 0, 0, offset)
with open('core_252_8bit_b.bmp', 'wb') as f:
    f.write(header + info + core_table + pixels_up)


# Pattern A as 4-bit RLE4 with a 16-entry table (indices R G B W K Y = 0..5):
# runs of three or more pixels encoded, the pixels between them in absolute
# runs (or encoded runs when fewer than three), an end of line after every
# row, an end of bitmap at the end.
def rle4_row(indices):
    out = b""
    pending = []

    def flush():
        nonlocal out
        if len(pending) >= 3:
            packed = bytes((pending[i] << 4) | (pending[i + 1] if i + 1 < len(pending) else 0)
                           for i in range(0, len(pending), 2))
            out += bytes((0, len(pending))) + packed + bytes(len(packed) % 2)
        else:
            for c in pending:
                out += bytes((1, c << 4))
        pending.clear()

    x = 0
    while x < len(indices):
        run = 1
        while x + run < len(indices) and indices[x + run] == indices[x]:
            run += 1
        if run >= 3:
            flush()
            out += bytes((run, (indices[x] << 4) | indices[x]))
        else:
            pending.extend(indices[x:x + run])
        x += run
    flush()
    return out + b"\0\0"


ORDER_A = "RGBWKY"
palette_a = [COLOURS_A[c] for c in ORDER_A] + [(0, 0, 0)] * 10
table_a = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette_a)
data = b"".join(rle4_row([ORDER_A.index(c) for c in row]) for row in reversed(ROWS_A))
data = data[:-2] + b"\0\1"
offset = 14 + 40 + len(table_a)
info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 2, len(data), 2835, 2835, 16, 0)
header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
with open('rle4_a.bmp', 'wb') as f:
    f.write(header + info + table_a + data)

try:
    from PIL import Image
except ImportError:
    raise SystemExit(0)

# Pillow: an 8-bit palette image with exactly the indices of pattern B, a
# 24-bit image of pattern A and a 1-bit image.
image = Image.new('P', (width, height))
image.putpalette([v for rgb in COLOURS_B for v in rgb])
image.putdata([i for row in ROWS_B for i in row])
image.save('pil_8bit_b.bmp')
Image.open('pattern_a.ppm').convert('RGB').save('pil_24bit_a.bmp')
bilevel = Image.new('1', (width, height))
bilevel.putdata([255 if (x + y) % 3 == 0 else 0 for y in range(height) for x in range(width)])
bilevel.save('pil_1bit.bmp')
