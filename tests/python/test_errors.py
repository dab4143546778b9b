"""What a script may pass: refused with the tools' messages or Python's
own exceptions, never a crash."""
import array
import errno
import inspect
import os
import pathlib
import struct
import subprocess
import sys

import numpy as np
import pytest

import icnkit

SAMPLE = pathlib.Path(__file__).resolve().parents[2] / 'examples' / 'sample_h1.icn'
PIXELS = np.ones((2, 2), np.uint8)
HUGE = 2 ** 80
# One H1 frame of 65535 x 65535 whose stream ends at once.
VAST = struct.pack('<HIhhHHI', 1, 13, 0, 0, 65535, 65535, 12) + b'\x80'


def cases(tmp):
    opened = icnkit.open(SAMPLE)
    return [  # call, exception, text in the message
        (lambda: icnkit.open(tmp / 'missing.icn'), FileNotFoundError, 'Cannot open file "'),
        (lambda: icnkit.open(b'\x01\x00\xff\xff\xff\xff', 'H1'), icnkit.Error, 'Invalid archive'),
        (lambda: icnkit.open(b''), icnkit.Error, 'Not an archive: the archive'),
        (lambda: icnkit.open(SAMPLE, 'H3'), icnkit.Error, 'Unknown generation: H3 (H1 or H2)'),
        (lambda: icnkit.open(None), TypeError, 'a path or the bytes'),
        (lambda: icnkit.open(SAMPLE, 1), TypeError, 'generation'),
        (lambda: icnkit.open('a\0b'), ValueError, 'embedded null byte'),
        (lambda: icnkit.open(memoryview(b'abcdef')[::2]), icnkit.Error,
         'Invalid archive: file shorter than its header'),
        (lambda: opened[len(opened)], IndexError, 'has 5 frames'),
        (lambda: opened[-6], IndexError, 'out of range'),
        (lambda: opened[HUGE], IndexError, 'out of range'),
        (lambda: opened['0'], TypeError, ''),
        (lambda: icnkit.open(VAST, 'H1')[0].pixels, icnkit.Error, 'Bitmap too large: 65535'),
        (lambda: icnkit.Frame(np.ones((2, 2, 3), np.uint8)), TypeError, '3-D uint8'),
        (lambda: icnkit.Frame(np.ones((2, 2), np.int64)), TypeError, '2-D int64'),
        (lambda: icnkit.Frame([[1, 2]]), TypeError, 'uint8'),
        (lambda: icnkit.Frame(None), TypeError, 'uint8'),
        (lambda: icnkit.Frame(PIXELS, left=1.5), TypeError, ''),
        (lambda: icnkit.Archive('H1', [icnkit.Frame(PIXELS, left=HUGE)]).to_bytes(),
         icnkit.Error, 'frame 0: Frame out of range'),
        (lambda: icnkit.Archive('H2', [icnkit.Frame(PIXELS, top=-HUGE)]).to_bytes(),
         icnkit.Error, 'frame 0: Frame out of range'),
        (lambda: icnkit.Archive('H1', [icnkit.Frame(PIXELS, left=40000)]).to_bytes(),
         icnkit.Error, 'frame 0: Frame out of range'),
        (lambda: icnkit.Archive('H1', [PIXELS]), TypeError, 'Frame objects'),
        (lambda: icnkit.Archive(None, []), TypeError, 'generation'),
        (lambda: icnkit.Archive('H1', [icnkit.Frame(PIXELS)]).save(tmp), OSError, 'Is a directory'),
        (lambda: icnkit.unpack(SAMPLE, tmp, format='gif'), icnkit.Error,
         'Unknown frame format: gif (bmp or png)'),
        (lambda: icnkit.unpack(opened), TypeError, 'needs a folder'),
        (lambda: icnkit.pack(tmp / 'none.cadres'), FileNotFoundError, "Folder doesn't exist"),
        (lambda: icnkit.read_palette(SAMPLE), icnkit.Error, 'sample_h1.icn'),
        (lambda: icnkit.write_palette(tmp / 'p.gpl', np.zeros((257, 3), int)), icnkit.Error, ''),
        (lambda: icnkit.write_palette(tmp / 'p.gpl', [(1, 2, 300)]), ValueError, '0..255'),
        (lambda: icnkit.write_palette(tmp / 'p.gpl', [1, 2, 3]), TypeError, '(n, 3)'),
        (lambda: icnkit.write_palette(tmp / 'p.xyz', [(1, 2, 3)]), icnkit.Error, ''),
        (lambda: icnkit.Frame(PIXELS).to_image(), ValueError, 'needs a palette'),
        # --frames is read by the tool's own parser, messages included.
        (lambda: icnkit.gif(opened, tmp / 'g.gif', frames='3-1'), icnkit.Error,
         '--frames 3-1: the range is reversed; write 1-3'),
        (lambda: icnkit.gif(opened, tmp / 'g.gif', frames=(-1, 2)), icnkit.Error,
         '--frames: expected A-B or A (frame numbers from 0), not "-1-2"'),
        (lambda: icnkit.gif(opened, tmp / 'g.gif', frames='9'), icnkit.Error,
         "--frames 9: the archive's frames are 0-4"),
    ]


def test_refused(tmp_path):
    for call, exception, text in cases(tmp_path):
        with pytest.raises(exception) as caught:
            call()
        assert text in str(caught.value), (str(caught.value), text)
        if isinstance(caught.value, icnkit.Error):
            assert isinstance(caught.value, ValueError)


def test_bytes_of_every_kind(tmp_path):
    data = SAMPLE.read_bytes()
    kinds = [data, bytearray(data), memoryview(data), array.array('B', data),
             np.frombuffer(data, np.uint8), tmp_path.joinpath('copy.icn')]
    kinds[-1].write_bytes(data)
    for kind in kinds:
        assert icnkit.open(kind).to_bytes() == data


def test_every_public_name_is_documented():
    for name in icnkit.__all__:
        assert getattr(icnkit, name).__doc__ or name == '__version__', name
    assert 'Returns an Archive' in inspect.getdoc(icnkit.open) or 'returns an Archive' in \
        inspect.getdoc(icnkit.open)
    for member in ('pixels', 'width', 'height', 'fill_only', 'to_image'):
        assert getattr(icnkit.Frame, member).__doc__, member
    for member in ('generation', 'palette', 'to_bytes', 'save'):
        assert getattr(icnkit.Archive, member).__doc__, member


def test_errors_name_their_file_and_carry_errno(tmp_path):
    cut = tmp_path / 'cut.icn'
    cut.write_bytes(SAMPLE.read_bytes()[:300])
    with pytest.raises(icnkit.Error, match='Invalid archive: frame') as caught:
        icnkit.open(cut)
    assert caught.value.file == str(cut) and str(caught.value).startswith(str(cut) + ': ')
    (tmp_path / 'file').write_bytes(b'')
    cases = [  # call, subclass, errno
        (lambda: icnkit.open(tmp_path / 'missing.icn'), FileNotFoundError, errno.ENOENT),
        (lambda: icnkit.Archive('H1', []).save(tmp_path), IsADirectoryError, errno.EISDIR),
        (lambda: icnkit.read_palette(tmp_path), IsADirectoryError, errno.EISDIR),
        (lambda: icnkit.open(tmp_path / 'file' / 'x.icn'), NotADirectoryError, errno.ENOTDIR),
        (lambda: icnkit.unpack(SAMPLE, tmp_path / 'ini'), IsADirectoryError, errno.EISDIR),
        (lambda: icnkit.pack_sheet(tmp_path / 'missing.json'), FileNotFoundError, errno.ENOENT),
    ]
    (tmp_path / 'ini' / 'setup.ini').mkdir(parents=True)
    if os.geteuid() != 0:  # root writes anywhere
        (tmp_path / 'locked').mkdir(mode=0o555)
        cases.append((lambda: icnkit.Archive('H1', []).save(tmp_path / 'locked' / 'x.icn'),
                      PermissionError, errno.EACCES))
        cases.append((lambda: icnkit.unpack(SAMPLE, tmp_path / 'locked'),
                      PermissionError, errno.EACCES))
    for call, subclass, number in cases:
        with pytest.raises(subclass) as caught:
            call()
        assert caught.value.errno == number, caught.value
        assert os.strerror(number) in str(caught.value)


def test_to_image_checks_its_palette_before_it_needs_pillow():
    """Without Pillow: what needs no Pillow says so first."""
    script = ('import sys; sys.modules["PIL"] = None\n'
              'import numpy, icnkit\n'
              'for call in (lambda: icnkit.Frame(numpy.ones((2, 2), numpy.uint8)).to_image(),\n'
              f'             lambda: icnkit.open({str(SAMPLE)!r})[0].to_image()):\n'
              '    try:\n'
              '        call()\n'
              '    except (ValueError, ImportError) as error:\n'
              '        print(type(error).__name__, error)\n')
    run = subprocess.run([sys.executable, '-c', script], capture_output=True, text=True,
                         check=True)
    assert run.stdout.splitlines() == [
        'ValueError to_image: a frame made by Frame() needs a palette',
        'ImportError Frame.to_image needs Pillow (Debian: python3-pil)']
