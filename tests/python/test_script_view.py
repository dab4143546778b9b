"""A script's view: open, edit, save, and the same files and bytes as the
icnkit tool (unpack, pack)."""
import concurrent.futures
import filecmp
import pathlib

import numpy as np

import icnkit


def folder_files(folder):
    return sorted(p.name for p in pathlib.Path(folder).iterdir())


def test_unpack_and_pack_are_the_tools(sample, tool, tmp_path):
    tool('unpack', sample, '-o', tmp_path / 'by_tool')
    mine = icnkit.unpack(sample, tmp_path / 'by_module' / (sample.name + '.cadres'))
    theirs = tmp_path / 'by_tool' / (sample.name + '.cadres')
    names = folder_files(theirs)
    assert names == folder_files(mine)
    assert filecmp.cmpfiles(theirs, mine, names, shallow=False)[0] == names
    # An opened (unedited) archive unpacks the same.
    again = icnkit.unpack(icnkit.open(sample), tmp_path / 'opened')
    assert filecmp.cmpfiles(theirs, again, names, shallow=False)[0] == names

    packed = icnkit.pack(theirs, tmp_path / 'module.icn')
    tool('pack', theirs, '-o', tmp_path / 'tool.icn')
    assert pathlib.Path(packed).read_bytes() == (tmp_path / 'tool.icn').read_bytes()
    assert icnkit.pack(theirs) == str(theirs)[:-len('.cadres')]


def test_recolour_and_save(sample, tool, tmp_path):
    packed = tmp_path / 'packed.icn'
    tool('unpack', sample, '-o', tmp_path)
    tool('pack', tmp_path / (sample.name + '.cadres'), '-o', packed)
    archive = icnkit.open(packed)
    assert archive.to_bytes() == packed.read_bytes()
    before = [frame.pixels.copy() for frame in archive]
    assert archive.to_bytes() == packed.read_bytes()  # read, not changed: the packer's bytes

    for frame in archive:
        frame.pixels[frame.pixels == 10] = 20
    archive.save(tmp_path / 'out' / 'recoloured.icn')
    saved = icnkit.open(tmp_path / 'out' / 'recoloured.icn')
    assert saved.generation == archive.generation and len(saved) == len(before)
    for frame, old in zip(saved, before):
        assert np.array_equal(frame.pixels, np.where(old == 10, 20, old))
    info = tool('info', tmp_path / 'out' / 'recoloured.icn').stdout
    assert info.split('\n')[2:] == tool('info', packed).stdout.split('\n')[2:]


def test_built_frames_are_trimmed_as_the_packers_trim():
    canvas = np.zeros((40, 30), dtype=np.uint8)
    canvas[10:14, 5:9] = 7
    cases = [  # pixels, left, top, bits -> left, top, width, height, fill_only
        (canvas, 0, 0, 0, (5, 10, 4, 4, False)),
        (canvas[::2, ::3], -3, 2, 32, (-1, 7, 1, 2, True)),  # not contiguous
        (np.asfortranarray(canvas), 100, -50, 0, (105, -40, 4, 4, False)),
        (np.zeros((3, 3), np.uint8), 4, 5, 0, (4, 5, 0, 0, False)),
        (np.zeros((0, 0), np.uint8), 0, 0, 0, (0, 0, 0, 0, False)),
    ]
    for generation in ('H1', 'H2'):
        frames = [icnkit.Frame(p, left, top, bits) for p, left, top, bits, _ in cases]
        archive = icnkit.open(icnkit.Archive(generation, frames).to_bytes(), generation)
        for frame, (pixels, *_, want) in zip(archive, cases):
            assert (frame.left, frame.top, frame.width, frame.height, frame.fill_only) == want
            if want[2]:
                assert np.count_nonzero(frame.pixels) == np.count_nonzero(pixels)


def test_pixels_share_memory_with_the_frame(sample):
    archive = icnkit.open(sample)
    frame = archive[1]
    assert archive[1] is frame and archive[-len(archive) + 1] is frame
    pixels = frame.pixels
    assert frame.pixels is pixels and pixels.flags.c_contiguous and pixels.flags.writeable
    # A view of the library's raster, kept alive by its base.
    assert not pixels.flags.owndata and type(pixels.base).__name__ == 'PyCapsule'
    pixels[0, 0] = 99
    assert frame.pixels[0, 0] == 99
    total = int(pixels.sum())
    del archive, frame
    assert int(pixels.sum()) == total
    given = np.ones((2, 3), np.uint8)
    assert icnkit.Frame(given).pixels is given  # a C-contiguous array is kept, not copied


def test_palettes(tmp_path):
    palette = icnkit.open(icnkit.Archive('h2', []).to_bytes(), 'H2').palette
    assert palette.shape == (256, 3) and palette.dtype == np.uint8
    assert palette[0].tolist() == [0, 255, 255]
    for name in ('p.pal', 'p.gpl', 'p.act', 'p.bmp', 'p.png', 'p.raw'):
        icnkit.write_palette(tmp_path / name, palette)
        assert np.array_equal(icnkit.read_palette(tmp_path / name), palette)
    icnkit.write_palette(str(tmp_path / 'small.gpl'), [(1, 2, 3), (250, 251, 252)])
    assert icnkit.read_palette(tmp_path / 'small.gpl').tolist() == [[1, 2, 3], [250, 251, 252]]


def test_to_image(sample):
    image_module = __import__('pytest').importorskip('PIL.Image')
    frame = icnkit.open(sample)[0]
    image = frame.to_image()
    assert isinstance(image, image_module.Image) and image.mode == 'P'
    assert np.array_equal(np.asarray(image), frame.pixels)
    assert image.getpalette()[:6] == [0, 255, 255] + icnkit.open(sample).palette[1].tolist()


def test_threads_at_once(sample, tmp_path):
    """Calls run without the GIL: four threads unpack and decode at once,
    each as alone."""
    alone = icnkit.unpack(sample, tmp_path / 'alone')
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        folders = list(pool.map(lambda i: icnkit.unpack(sample, tmp_path / f't{i}'), range(4)))
        decoded = list(pool.map(lambda _: [f.pixels for f in icnkit.open(sample)], range(4)))
    names = folder_files(alone)
    for folder in folders:
        assert filecmp.cmpfiles(alone, folder, names, shallow=False)[0] == names
    for frames in decoded[1:]:
        assert all(np.array_equal(a, b) for a, b in zip(frames, decoded[0]))
