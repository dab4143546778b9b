"""Checks what tests/gimp/gimp_check.sh made in WORK: GIMP's dumps of the
archives against their `icnkit unpack --format png` frame folders, the
untouched exports against the archives, the painted archives against the
tools' route, and the messages of the failures.

Usage: compare.py WORK DAMAGED_MESSAGE"""
import configparser
import os
import sys

from PIL import Image

work, damaged_message = sys.argv[1], sys.argv[2]
failures = []


palettes = {}  # generation: its colours, from a PNG frame icnkit wrote


def check_archive(name):
    folder = os.path.join(work, 'png', name + '.cadres')
    setup = configparser.ConfigParser()
    setup.optionxform = str
    setup.read(os.path.join(folder, 'setup.ini'))
    frames = sorted(f for f in os.listdir(folder) if f.endswith('.png'))
    lines = open(os.path.join(work, 'dump', name + '.txt')).read().splitlines()
    head = lines[0].split()
    generation, ref_x, ref_y, width, height = head[1], int(head[2]), int(head[3]), int(head[4]), int(head[5])
    wanted_generation = setup.get('Position', 'Generation')
    if head[6:8] != ['2', '768']:
        return 'not INDEXED with 256 colours: %s' % head
    if wanted_generation.upper() != generation:
        return 'generation %s, the frame folder says %s' % (generation, wanted_generation)
    if (-ref_x, -ref_y) != (setup.getint('Position', 'X'), setup.getint('Position', 'Y')):
        return 'reference point %d %d, setup.ini X=%s Y=%s' % (
            ref_x, ref_y, setup['Position']['X'], setup['Position']['Y'])
    layers = lines[1:]
    if generation not in palettes:
        for frame in frames:
            if os.path.getsize(os.path.join(folder, frame)):
                flat = Image.open(os.path.join(folder, frame)).getpalette()
                palettes[generation] = [tuple(flat[3 * i:3 * i + 3]) for i in range(256)]
                break
    if len(layers) != len(frames):
        return '%d layers for %d frames' % (len(layers), len(frames))
    for index, (layer, frame) in enumerate(zip(layers, frames)):
        fields = layer.split()
        layer_name, x, y, w, h, bits = fields[0], *map(int, fields[1:6])
        pixels = list(map(int, fields[6:]))
        if len(pixels) != 4 * w * h:
            return 'layer %s: %d values for %dx%d pixels' % (layer_name, len(pixels), w, h)
        if layer_name != '%04d' % index:
            return 'layer %d is named %s' % (index, layer_name)
        wanted_bits = int(setup.get('Bits', frame, fallback='0'), 0)
        if bits != wanted_bits:
            return 'layer %s: bits %d, setup.ini %d' % (layer_name, bits, wanted_bits)
        path = os.path.join(folder, frame)
        if os.path.getsize(path) == 0:  # a frame without pixels
            if (w, h, pixels[3]) != (1, 1, 0):
                return 'layer %s of a frame without pixels is %dx%d' % (layer_name, w, h)
            continue
        image = Image.open(path)
        if image.size != (width, height):
            return 'image %dx%d, frames %dx%d' % (width, height, *image.size)
        indices = image.getdata()
        for row in range(h):
            for column in range(w):
                red, green, blue, alpha = pixels[4 * (row * w + column):4 * (row * w + column) + 4]
                index = indices[(y + row) * width + x + column] \
                    if 0 <= y + row < height and 0 <= x + column < width else 0
                wanted = (0,) if index == 0 else (255, *palettes[generation][index])
                if ((alpha,) if alpha == 0 else (alpha, red, green, blue)) != wanted:
                    return 'layer %s: pixel (%d, %d) differs from %s' % (layer_name, column, row, frame)
        covered = sum(1 for i in indices if i != 0)
        if covered != sum(1 for i in range(w * h) if pixels[4 * i + 3] != 0):
            return 'layer %s: %s has opaque pixels outside the layer' % (layer_name, frame)
    return None


names = sorted(os.listdir(os.path.join(work, 'in')))
for name in names:
    problem = check_archive(name)
    if problem is None and open(os.path.join(work, 'in', name), 'rb').read() != \
            open(os.path.join(work, 'out', name), 'rb').read():
        problem = 'exported untouched, the bytes differ'
    if problem:
        failures.append('%s: %s' % (name, problem))
print('gimp-check: %d archives opened as their frames and exported byte for byte'
      % (len(names) - len(failures)))

for gen in ('h1', 'h2'):
    painted = os.path.join(work, 'painted_%s.icn' % gen)
    tools = os.path.join(work, 'tools', 'sample_%s.icn' % gen)
    if not os.path.exists(painted) or open(painted, 'rb').read() != open(tools, 'rb').read():
        failures.append('sample_%s: the pixel painted in GIMP differs from the tools\' route' % gen)
    else:
        print('gimp-check: sample_%s: a painted pixel gives the tools\' archive' % gen)

log = open(os.path.join(work, 'gimp.log'), errors='replace').read()
if damaged_message not in log:
    failures.append('damaged.obj: GIMP did not show "%s"' % damaged_message)
if 'Image > Mode > Indexed' not in log or os.path.exists(os.path.join(work, 'rgb.icn')):
    failures.append('an RGB image was not refused with what to do, or rgb.icn was written')
if not failures:
    print('gimp-check: the damaged archive\'s message and the RGB refusal are GIMP\'s errors')
for failure in failures:
    print('gimp-check: FAIL ' + failure, file=sys.stderr)
sys.exit(1 if failures else 0)
