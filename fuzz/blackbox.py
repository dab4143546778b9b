#!/usr/bin/env python3
"""Black-box mutation fuzz of the four tools.

fuzz/blackbox.py BIN_DIR SECONDS [--seed N] [--keep DIR]

Makes frame folders of its own (8-bit bitmaps: plain, top-down, RLE8, core
headers; a setup.ini), packs them with morlet and morvix into sample archives,
then for SECONDS seconds mutates an archive, a bitmap or a setup.ini and runs
the tool that reads it, each run under resource limits (CPU time, address
space, file size: ulimit -t, -v, -f) and a wall-clock timeout. After every run:

  - the exit status is 0 or 1 (no signal death, no hang);
  - no *.tmp file is left in the run's folder;
  - nothing outside the run's folder changed (a sentinel folder beside it,
    the folder holding the runs);
  - a run that failed left an archive that existed before byte for byte.

Each failing case is copied to the --keep folder (default
fuzz/blackbox-findings) with a line saying what failed. Exits 1 when any
check failed. Needs Python 3 alone.
"""

import argparse
import hashlib
import os
import random
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

CPU_SECONDS = 10
WALL_SECONDS = 60
ADDRESS_SPACE = 3 << 30  # ulimit -v: the 2^28-pixel bound with room to spare
FILE_SIZE = 64 << 20  # ulimit -f: larger than any output of the samples

INTERESTING = [0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF]


# --- bitmaps and settings of our own -------------------------------------------


def palette(size=4):
    return b"".join(bytes([i, 255 - i, (i * 7) & 255] + ([0] if size == 4 else [])) for i in range(256))


def rows_bottom_up(pixels, width, height):
    stride = (width + 3) & ~3
    data = bytearray()
    for y in reversed(range(height)):
        row = pixels[y * width:(y + 1) * width]
        data += row + bytes(stride - width)
    return bytes(data)


def rle8(pixels, width, height):
    data = bytearray()
    for y in reversed(range(height)):
        row = pixels[y * width:(y + 1) * width]
        x = 0
        while x < width:
            run = 1
            while x + run < width and run < 255 and row[x + run] == row[x]:
                run += 1
            data += bytes([run, row[x]])
            x += run
        data += b"\x00\x00"
    return bytes(data + b"\x00\x01")


def bmp(width, height, pixels, kind):
    """An 8-bit BMP of kind 'plain', 'topdown', 'rle8' or 'core'."""
    if kind == "core":
        table = palette(3)
        info = struct.pack("<IHHHH", 12, width, height, 1, 8)
        data = rows_bottom_up(pixels, width, height)
    else:
        table = palette(4)
        compression = 1 if kind == "rle8" else 0
        data = rle8(pixels, width, height) if kind == "rle8" else rows_bottom_up(pixels, width, height)
        if kind == "topdown":
            stride = (width + 3) & ~3
            data = b"".join(data[i:i + stride] for i in reversed(range(0, len(data), stride)))
        stored = -height if kind == "topdown" else height
        info = struct.pack("<IiiHHIIiiII", 40, width, stored, 1, 8, compression, len(data), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + table + data


def random_frame(rng):
    width, height = rng.randint(1, 40), rng.randint(1, 40)
    pixels = bytearray()
    while len(pixels) < width * height:
        pixels += bytes([rng.choice([0, 0, rng.randint(1, 255)])]) * rng.randint(1, 12)
    return width, height, bytes(pixels[:width * height])


def make_frame_folder(rng, folder, frames):
    os.makedirs(folder)
    bits = []
    for i in range(frames):
        width, height, pixels = random_frame(rng)
        kind = rng.choice(["plain", "plain", "topdown", "rle8", "core"])
        name = "%04d.bmp" % i
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bmp(width, height, pixels, kind))
        bits.append("%s=%d" % (name, rng.choice([0, 0, 32, 1])))
    text = "[Position]\nX=%d\nY=%d\n[Bits]\n%s\n" % (rng.randint(-50, 50), rng.randint(-50, 50), "\n".join(bits))
    with open(os.path.join(folder, "setup.ini"), "w") as f:
        f.write(text)


# --- mutations ------------------------------------------------------------------


def mutate(rng, data, donor=b""):
    data = bytearray(data)
    for _ in range(rng.randint(1, 4)):
        choice = rng.randrange(8)
        at = rng.randrange(len(data)) if data else 0
        if choice == 0 and data:  # flip a bit
            data[at] ^= 1 << rng.randrange(8)
        elif choice == 1 and data:  # a random byte
            data[at] = rng.randrange(256)
        elif choice in (2, 3) and len(data) >= 4:  # an interesting 16- or 32-bit value
            size = 2 if choice == 2 else 4
            at = min(at, len(data) - size)
            value = rng.choice(INTERESTING) & ((1 << (8 * size)) - 1)
            data[at:at + size] = value.to_bytes(size, "little")
        elif choice == 4:  # cut
            del data[rng.randrange(len(data) + 1):]
        elif choice == 5:  # random bytes appended or inserted
            data[at:at] = rng.randbytes(rng.randint(1, 64))
        elif choice == 6 and data:  # a stretch repeated
            end = min(len(data), at + rng.randint(1, 64))
            data[at:at] = data[at:end] * rng.randint(1, 8)
        elif donor:  # a stretch of another sample spliced in
            start = rng.randrange(len(donor))
            data[at:at + rng.randint(0, 32)] = donor[start:start + rng.randint(1, 64)]
    return bytes(data)


def mutate_ini(rng, text):
    lines = text.split(b"\n")
    pick = rng.randrange(6)
    if pick == 0:
        lines.insert(rng.randrange(len(lines) + 1), rng.choice([b"[Bits]", b"[Position]", b"[", b"X=", b";x=1"]))
    elif pick == 1:
        i = rng.randrange(len(lines))
        lines[i] = lines[i] + rng.choice([b"=", b"0x", b"$FFFFFFFF", b"99999999999", b"\r", b"\x00", b"\xef\xbb\xbf"])
    elif pick == 2:
        lines = lines * rng.randint(2, 50)
    else:
        return mutate(rng, text)
    return b"\n".join(lines)


# --- one run and its checks -----------------------------------------------------


def limits():
    resource.setrlimit(resource.RLIMIT_CPU, (CPU_SECONDS, CPU_SECONDS))
    resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE, ADDRESS_SPACE))
    resource.setrlimit(resource.RLIMIT_FSIZE, (FILE_SIZE, FILE_SIZE))
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def snapshot(folder):
    state = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(root, name)
            st = os.lstat(path)
            digest = ""
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as f:
                    digest = hashlib.sha1(f.read()).hexdigest()
            state[os.path.relpath(path, folder)] = (st.st_mode, st.st_size, st.st_mtime_ns, digest)
    return state


def run_tool(bin_dir, tool, args, cwd):
    started = time.monotonic()
    try:
        done = subprocess.run([os.path.join(bin_dir, tool)] + args, cwd=cwd, preexec_fn=limits,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=WALL_SECONDS)
        status = done.returncode
        err = done.stderr
    except subprocess.TimeoutExpired:
        status, err = "hang", b""
    return status, err, time.monotonic() - started


def describe(status):
    if status == "hang":
        return "no exit within %d s" % WALL_SECONDS
    if isinstance(status, int) and status < 0:
        return "killed by signal %s" % signal.Signals(-status).name
    return "exit status %s" % status


class Fuzzer:
    def __init__(self, bin_dir, keep, rng):
        self.bin_dir = bin_dir
        self.keep = keep
        self.rng = rng
        self.root = tempfile.mkdtemp(prefix="icnkit-blackbox-")
        self.work = os.path.join(self.root, "work")
        self.outside = os.path.join(self.root, "outside")
        os.makedirs(self.work)
        os.makedirs(self.outside)
        with open(os.path.join(self.outside, "sentinel.icn"), "wb") as f:
            f.write(b"\x01\x00" + bytes(40))
        os.makedirs(os.path.join(self.outside, "sentinel.icn.cadres"))
        self.outside_state = snapshot(self.outside)
        self.root_names = sorted(os.listdir(self.root))
        self.bin_state = sorted(os.listdir(bin_dir))
        self.runs = 0
        self.findings = 0
        self.statuses = {}
        self.samples = {"H1": [], "H2": []}  # archives
        self.folders = []  # frame folders (paths under root/samples)

    def make_samples(self):
        samples = os.path.join(self.root, "samples")
        os.makedirs(samples)
        for i in range(12):
            folder = os.path.join(samples, "s%d.icn.cadres" % i)
            make_frame_folder(self.rng, folder, self.rng.randint(1, 6))
            self.folders.append(folder)
            for generation, tool in (("H1", "morlet"), ("H2", "morvix")):
                archive = os.path.join(samples, "s%d.icn" % i)
                status, err, _ = run_tool(self.bin_dir, tool, [archive], samples)
                if status != 0:
                    sys.exit("blackbox: %s could not pack a sample: %s" % (tool, err.decode(errors="replace")))
                with open(archive, "rb") as f:
                    self.samples[generation].append(f.read())
                os.remove(archive)

    def check(self, case, tool, args, before_archive, status, err):
        problems = []
        if status not in (0, 1):
            problems.append(describe(status))
        for root, _, files in os.walk(case):
            problems += ["left behind: " + os.path.relpath(os.path.join(root, n), case) for n in files if n.endswith(".tmp")]
        moved = os.listdir(self.work) != ["case"] or sorted(os.listdir(self.root)) != self.root_names
        if moved or snapshot(self.outside) != self.outside_state:
            problems.append("a file outside the run's folder changed")
            self.outside_state = snapshot(self.outside)
            self.root_names = sorted(os.listdir(self.root))
        if sorted(os.listdir(self.bin_dir)) != self.bin_state:
            problems.append("the tools' folder changed")
        if before_archive is not None and status == 1:
            path = os.path.join(case, "a.icn")
            now = open(path, "rb").read() if os.path.isfile(path) else None
            if now != before_archive:
                problems.append("a failed pack changed the old archive")
        self.statuses[status] = self.statuses.get(status, 0) + 1
        if problems:
            self.findings += 1
            target = os.path.join(self.keep, "case-%d" % self.findings)
            shutil.rmtree(target, ignore_errors=True)
            shutil.copytree(case, target, symlinks=True)
            with open(os.path.join(target, "FINDING.txt"), "w") as f:
                f.write("%s %s\n%s\n%s\n" % (tool, " ".join(args), "; ".join(problems), err.decode(errors="replace")))
            print("blackbox: %s %s: %s (kept in %s)" % (tool, " ".join(args), "; ".join(problems), target), flush=True)

    def unpack_case(self, case):
        generation = self.rng.choice(["H1", "H2"])
        pool = self.samples[generation]
        donor = self.rng.choice(self.samples["H1"] + self.samples["H2"])
        archive = mutate(self.rng, self.rng.choice(pool), donor)
        name = self.rng.choice(["a.icn", "a.ICN", "a.std", "font.icn", "a.obj"])
        with open(os.path.join(case, name), "wb") as f:
            f.write(archive)
        tool = "dravel" if generation == "H1" else "dravix"
        if self.rng.random() < 0.2:
            # An old frame folder with a broken setup.ini to update.
            folder = os.path.join(case, name + ".cadres")
            os.makedirs(folder)
            with open(os.path.join(folder, "setup.ini"), "wb") as f:
                f.write(mutate_ini(self.rng, b"[Position]\nX=1\nY=2\n[Bits]\n0000.bmp=32\n"))
        args = self.rng.choice([[name], [name], ["*.*"], [".", "preview"]])
        return tool, args, None

    def pack_case(self, case):
        source = self.rng.choice(self.folders)
        folder = os.path.join(case, "a.icn.cadres")
        shutil.copytree(source, folder)
        names = sorted(os.listdir(folder))
        for _ in range(self.rng.randint(1, 2)):
            name = self.rng.choice(names)
            path = os.path.join(folder, name)
            data = open(path, "rb").read()
            data = mutate_ini(self.rng, data) if name == "setup.ini" else mutate(self.rng, data)
            with open(path, "wb") as f:
                f.write(data)
        before = None
        if self.rng.random() < 0.5:
            before = self.rng.choice(self.samples["H1"] + self.samples["H2"])
            with open(os.path.join(case, "a.icn"), "wb") as f:
                f.write(before)
        tool = self.rng.choice(["morlet", "morvix"])
        return tool, [self.rng.choice(["a.icn", "a.icn.cadres"])], before

    def run(self, seconds):
        self.make_samples()
        self.root_names = sorted(os.listdir(self.root))
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            case = os.path.join(self.work, "case")
            shutil.rmtree(case, ignore_errors=True)
            os.makedirs(case)
            make = self.unpack_case if self.rng.random() < 0.5 else self.pack_case
            tool, args, before = make(case)
            status, err, _ = run_tool(self.bin_dir, tool, args, case)
            self.runs += 1
            self.check(case, tool, args, before, status, err)
        shutil.rmtree(self.root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bin_dir")
    parser.add_argument("seconds", type=float)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--keep", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "blackbox-findings"))
    options = parser.parse_args()
    seed = options.seed if options.seed is not None else random.randrange(1 << 32)
    fuzzer = Fuzzer(os.path.abspath(options.bin_dir), options.keep, random.Random(seed))
    fuzzer.run(options.seconds)
    statuses = ", ".join("%s: %d" % (describe(k), v) for k, v in sorted(fuzzer.statuses.items(), key=str))
    print("blackbox: seed %d, %d runs (%s), %d findings" % (seed, fuzzer.runs, statuses, fuzzer.findings))
    return 1 if fuzzer.findings else 0


if __name__ == "__main__":
    sys.exit(main())
