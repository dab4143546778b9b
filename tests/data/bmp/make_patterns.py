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
