#!/usr/bin/env python3
"""Checks icnkit's GIFs with Pillow: every frame, composited as a viewer
shows it, has the pixels of the frame folder's bitmap of that frame (index 0
transparent, every other index its palette colour), and the GIF loops.

Usage: gif_check.py ICNKIT ARCHIVE...   (exit 0 when every GIF matches)
Needs Pillow (Debian python3-pil); run it with the Python that has it.
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageSequence


def check(icnkit, archive, work):
    name = os.path.basename(archive)
    stem = os.path.splitext(name)[0]
    subprocess.run([icnkit, "-q", "unpack", "-o", work, archive], check=True)
    subprocess.run([icnkit, "-q", "gif", "-o", work, archive], check=True)
    folder = os.path.join(work, name + ".cadres")
    bitmaps = sorted(f for f in os.listdir(folder) if f.lower().endswith(".bmp"))
    gif = Image.open(os.path.join(work, stem + ".gif"))
    if gif.info.get("loop") != 0:
        return "%s: the GIF does not loop for ever" % name
    frames = [frame.convert("RGBA") for frame in ImageSequence.Iterator(gif)]
    if len(frames) != len(bitmaps):
        return "%s: %d GIF frames for %d bitmaps" % (name, len(frames), len(bitmaps))
    for index, (frame, bitmap_name) in enumerate(zip(frames, bitmaps)):
        path = os.path.join(folder, bitmap_name)
        if os.path.getsize(path) == 0:  # a folder whose union is empty
            continue
        bitmap = Image.open(path)
        if bitmap.mode != "P" or bitmap.size != frame.size:
            return "%s: frame %d: bitmap %s %s, GIF frame %s" % (
                name, index, bitmap.mode, bitmap.size, frame.size)
        palette = bitmap.getpalette()
        indices = bitmap.load()
        shown = frame.load()
        for y in range(bitmap.size[1]):
            for x in range(bitmap.size[0]):
                i = indices[x, y]
                want = (0,) if i == 0 else tuple(palette[3 * i:3 * i + 3]) + (255,)
                got = shown[x, y][3:] if i == 0 else shown[x, y]
                if got != want:
                    return "%s: frame %d pixel (%d, %d): index %d, GIF shows %s" % (
                        name, index, x, y, i, shown[x, y])
    return None


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    icnkit = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        for archive in sys.argv[2:]:
            problem = check(icnkit, archive, work)
            print(problem or "%s: every GIF frame matches its bitmap" % archive)
            failures += problem is not None
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
