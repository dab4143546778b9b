"""Edits are edits, reads are not: what save keeps of an archive icnkit did
not write; the memory a script's reads hold; threads; values a record
cannot hold."""
import os
import struct
import subprocess
import sys
import textwrap
import threading

import numpy as np
import pytest

import icnkit


def stream(pixels):
    """An H1 stream as our encoder never writes one: a code a pixel (skips
    and literals of 1), rows ending in their skips."""
    out = bytearray()
    for row in pixels:
        for value in row:
            out += b'\x81' if value == 0 else bytes([1, value])
        out.append(0)
    return bytes(out) + b'\x80'


def game_archive():
    """An H1 archive of another encoder: transparent margins kept in the
    records, and two bytes after each stream's end."""
    rng = np.random.default_rng(7)
    frames = []
    for i in range(4):
        pixels = rng.integers(1, 9, (5 + i, 6), dtype=np.uint8)
        pixels[:, 0] = pixels[0] = 0  # a margin the packers would trim
        frames.append((pixels, -3 + i, -9))
    table, streams = b'', b''
    for pixels, left, top in frames:
        table += struct.pack('<hhHHI', left, top, pixels.shape[1], pixels.shape[0],
                             12 * len(frames) + len(streams))
        streams += stream(pixels) + b'\x00\x00'
    return struct.pack('<HI', len(frames), len(table) + len(streams)) + table + streams, frames


def streams_of(data):
    """Each frame's stored bytes: from its start to the next's."""
    count = struct.unpack_from('<H', data)[0]
    starts = [6 + struct.unpack_from('<I', data, 6 + 12 * i + 8)[0] for i in range(count)]
    return [data[a:b] for a, b in zip(starts, starts[1:] + [len(data)])]


def test_reads_keep_the_stored_bytes_and_edits_change_only_what_they_edit():
    data, frames = game_archive()
    archive = icnkit.open(data, 'H1')
    assert archive.to_bytes() == data and archive.tobytes() == data  # untouched
    for frame, (pixels, _, _) in zip(archive, frames):
        assert np.array_equal(frame.pixels, pixels)
    assert archive.to_bytes() == data  # every frame read, none changed

    archive[2].left += 5  # that frame's record alone
    moved = archive.to_bytes()
    record = 6 + 12 * 2
    assert moved[:record] == data[:record] and moved[record + 2:] == data[record + 2:]
    assert struct.unpack_from('<h', moved, record)[0] == frames[2][1] + 5

    for frame in archive:  # read every frame, edit one
        if frame is archive[1]:
            frame.pixels[3, 3] = 200
    assert archive._source.held == archive[1].width * archive[1].height  # the edit, kept
    edited = archive.to_bytes()
    assert [a == b for a, b in zip(streams_of(edited), streams_of(data))] == \
        [True, False, True, True]
    again = icnkit.open(edited, 'H1')
    assert again[1].pixels[3 - 1, 3 - 1] == 200  # trimmed by its margin
    assert again[2].left == frames[2][1] + 5
    archive[1].pixels[3, 3] = frames[1][0][3, 3]  # an edit undone is no edit
    assert streams_of(archive.to_bytes()) == streams_of(moved)

    archive[0].bits = 32  # another fill-only: that frame is encoded anew
    assert icnkit.open(archive.to_bytes(), 'H1')[0].fill_only


def test_reading_in_turn_holds_one_frame_and_the_bound_is_an_error(tmp_path):
    """Forty 16384 x 16384 records in 527 bytes (256 MiB each), read in
    turn under a memory limit of seven."""
    data = struct.pack('<HI', 40, 521) + \
        struct.pack('<hhHHBI', 0, 0, 16384, 16384, 0, 520) * 40 + b'\x80'
    assert len(data) == 527
    script = textwrap.dedent('''
        import resource, sys, icnkit
        resource.setrlimit(resource.RLIMIT_AS, (2 << 30, 2 << 30))  # 7 frames
        archive = icnkit.open(sys.stdin.buffer.read(), 'H2')
        for frame in archive[:12]:
            frame.pixels
        frame = archive[0]
        frame.pixels[5, 5] = 9  # kept: an edit
        kept = [f.pixels for f in archive[1:3]]
        print(archive._source.held >> 28, end=' ')
        try:
            kept += [f.pixels for f in archive[3:]]
        except icnkit.Error as error:
            print(len(kept), str(error).split(':')[0], end=' ')
        print(archive[0].pixels[5, 5])
    ''')
    env = dict(os.environ, OPENBLAS_NUM_THREADS='1')
    run = subprocess.run([sys.executable, '-c', script], input=data, capture_output=True,
                         env=env, timeout=280, check=False)
    assert run.stdout.decode() == '3 2 Too many decoded pixels 9\n', run.stderr.decode()


def test_first_reads_from_many_threads_give_one_frame_and_one_array(sample):
    for _ in range(20):
        archive = icnkit.open(sample)
        start = threading.Barrier(8)
        seen = [None] * 8

        def read(slot):
            start.wait()
            seen[slot] = [(f, f.pixels) for f in (archive[i] for i in range(len(archive)))]
            for _, pixels in seen[slot]:
                pixels.flat[slot] = 100 + slot  # no thread's edit is lost
        threads = [threading.Thread(target=read, args=(i,)) for i in range(8)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        for other in seen[1:]:
            assert all(a[0] is b[0] and a[1] is b[1] for a, b in zip(seen[0], other))
        del seen
        for frame in icnkit.open(archive.to_bytes(), archive.generation):
            if not frame.fill_only:  # whose opaque pixels are all 5
                assert list(frame.pixels.flat[:8]) == list(range(100, 108))


def test_values_a_record_cannot_hold_are_refused(sample):
    pixels = np.ones((2, 2), np.uint8)
    for bits in (300, 256, -5):
        with pytest.raises(icnkit.Error, match=rf'^Bits out of range: {bits} \(0 to 255\)$'):
            icnkit.Frame(pixels, bits=bits)
    with pytest.raises(icnkit.Error, match=r'^frame 0: Bits out of range: 1 \(H1: 0 or 32\)$'):
        icnkit.build('H1', [icnkit.Frame(pixels, bits=1)])
    assert icnkit.open(icnkit.build('H2', [icnkit.Frame(pixels, bits=1)]), 'H2')[0].bits == 1
    archive = icnkit.open(sample)
    with pytest.raises(icnkit.Error):
        archive[0].bits = 256
    for name, value in (('left', 40000), ('top', -40000)):
        archive = icnkit.open(sample)
        setattr(archive[1], name, value)
        with pytest.raises(icnkit.Error, match='^frame 1: Frame out of range$'):
            archive.to_bytes()
