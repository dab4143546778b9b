#!/usr/bin/env python3
"""The Python module's benchmarks, ratios measured in one run:

  decode  every frame of an archive of 2000 frames of 256 x 256 into numpy
          arrays ([f.pixels for f in icnkit.open(a)]) against the C++ decode
          of the same frames through the public API, each into a raster
          that is kept (build/bin/api_decode_bench); goal <= 1.3.
  open    icnkit.open of an archive of 65535 frames (the frame table is
          checked, nothing decoded) against `icnkit info` on it, which reads
          and prints every record; goal <= 1.5, two ways: the open timed in
          the script, and as processes, python3 -c 'import icnkit;
          icnkit.open(a)' less python3 -c 'import icnkit' (the interpreter's
          and numpy's start, which icnkit info has not).
  memory  what open keeps, and its peak, over the archive's size; goal <= 2.

The archives are made with the module (numpy frames; H1). Each repetition
measures both sides one right after the other; a line gives the median
ratio and its range.

Usage: PYTHONPATH=build/python python3 bench/python_bench.py [BIN] [RUNS]
       (BIN: build/bin, RUNS: 5)
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

import icnkit


def sprites(count, size, seed):
    """Ellipses of colour runs with holes, touching their frame's edges."""
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:size, 0:size]
    inside = ((x - size / 2 + 0.5) / (size / 2)) ** 2 + ((y - size / 2 + 0.5) / (size / 2)) ** 2 <= 1
    for i in range(count):
        colours = ((x // rng.integers(3, 9) + y // 5 + i) % 200 + 1).astype(np.uint8)
        holes = rng.random((size, size)) < 0.02
        yield icnkit.Frame(np.where(inside & ~holes, colours, 0).astype(np.uint8),
                           int(rng.integers(-4, 4)), int(rng.integers(-4, 4)))


def small_frames(count, seed):
    rng = np.random.default_rng(seed)
    for _ in range(count):
        w, h = rng.integers(2, 7, 2)
        pixels = rng.integers(1, 5, (h, w), dtype=np.uint8)
        pixels[rng.random((h, w)) < 0.25] = 0
        pixels[0, 0] = pixels[-1, -1] = 1  # keeps its size when trimmed
        yield icnkit.Frame(pixels, int(rng.integers(0, 6)), int(rng.integers(0, 6)))


def wall(command, **kwargs):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, **kwargs)
    return time.perf_counter() - start


def best(times, command, **kwargs):
    return min(wall(command, **kwargs) for _ in range(times))


def decode_all(path):
    archive = icnkit.open(path)
    start = time.perf_counter()
    arrays = [frame.pixels for frame in archive]
    took = time.perf_counter() - start
    return took, sum(a.size for a in arrays)


# In a fresh python3 (this one's heap holds what the decoding freed): the
# resident memory that icnkit.open adds, kept and at its peak, in bytes.
MEMORY = """
import sys, icnkit
def kib(key):
    with open('/proc/self/status') as status:
        return next(int(l.split()[1]) for l in status if l.startswith(key + ':'))
with open('/proc/self/clear_refs', 'w') as refs:
    refs.write('5')  # the peak starts again from here
before = kib('VmRSS')
archive = icnkit.open(sys.argv[1])
print((kib('VmRSS') - before) * 1024, (kib('VmHWM') - before) * 1024, len(archive))
"""


def open_memory(path, env):
    kept, peak, count = subprocess.run([sys.executable, '-c', MEMORY, path], env=env, check=True,
                                       capture_output=True, text=True).stdout.split()
    assert int(count) == 65535
    return int(kept), int(peak)


def ratio_line(what, goal, values, note=''):
    m = statistics.median(values)
    print(f'RATIO {what:<34} {m:5.2f}  (range {min(values):.2f}-{max(values):.2f}, '
          f'{len(values)} runs)  goal <= {goal}  {"met" if m <= goal else "MISSED"}{note}')


def main():
    bin_dir = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else 'build/bin')
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    python_path = os.path.dirname(os.path.dirname(os.path.abspath(icnkit.__file__)))
    env = dict(os.environ, PYTHONPATH=python_path)
    with tempfile.TemporaryDirectory(prefix='icnkit-python-bench-') as scratch:
        big, many = os.path.join(scratch, 'sprites.icn'), os.path.join(scratch, 'many.icn')
        icnkit.Archive('H1', sprites(2000, 256, 1)).save(big)
        icnkit.Archive('H1', small_frames(65535, 2)).save(many)
        print(f'sprites.icn: 2000 frames of 256 x 256, {os.path.getsize(big) / 2**20:.1f} MiB; '
              f'many.icn: 65535 frames, {os.path.getsize(many) / 2**20:.2f} MiB')

        decode, opened, processes, times = [], [], [], []
        for _ in range(runs):
            cpp, cpp_pixels, _ = subprocess.run(
                [os.path.join(bin_dir, 'api_decode_bench'), big, '3'], check=True,
                capture_output=True, text=True).stdout.split()
            py, py_pixels = min(decode_all(big) for _ in range(3))
            assert int(cpp_pixels) == py_pixels
            decode.append(py / float(cpp))

            info = best(3, [os.path.join(bin_dir, 'icnkit'), 'info', many])
            start = time.perf_counter()
            icnkit.open(many)
            in_script = time.perf_counter() - start
            opened.append(in_script / info)
            python = [sys.executable, '-c', 'import icnkit, sys; icnkit.open(sys.argv[1])', many]
            with_open = best(3, python, env=env)
            import_only = best(3, python[:2] + ['import icnkit'], env=env)
            processes.append((with_open - import_only) / info)
            times.append((float(cpp), py, info, in_script, with_open, import_only))

        print('seconds (medians): C++ decode {:.3f}, Python decode {:.3f}; icnkit info {:.4f}, '
              'icnkit.open in the script {:.4f}, python3 importing and opening {:.4f}, '
              'importing only {:.4f}'.format(*(statistics.median(t) for t in zip(*times))))
        kept, peak = open_memory(many, env)
        size = os.path.getsize(many)
        ratio_line('decode 2000 x 256x256 py/C++', 1.3, decode)
        ratio_line('open 65535 frames / info (script)', 1.5, opened)
        ratio_line('open 65535 frames / info (procs)', 1.5, processes)
        ratio_line('open memory kept / archive', 2, [kept / size])
        ratio_line('open memory peak / archive', 2, [peak / size])


if __name__ == '__main__':
    main()
