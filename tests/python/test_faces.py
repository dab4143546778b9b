"""Each Python row of docs/api.md's table working, and the files it makes
the icnkit tool's, byte for byte, with the same options."""
import filecmp
import io
import json
import pathlib
import re

import numpy as np

import icnkit

ROOT = pathlib.Path(__file__).resolve().parents[2]


def python_names():
    """The Python column of docs/api.md's table."""
    rows = re.findall(r'^\| [^|]+ \| [^|]+ \| [^|]+ \| ([^|]+) \|', (ROOT / 'docs/api.md')
                      .read_text(), re.M)
    return [name.strip('` ') for cell in rows[1:] for name in cell.split(',')
            if name.strip().startswith('`')]


def test_every_row_of_the_table(sample, tmp_path):
    data = sample.read_bytes()
    names = python_names()
    assert 'icnkit.gif' in names and 'Frame.pixels' in names
    archive = icnkit.open(sample)
    icnkit.write_palette(tmp_path / 'p.act', archive.palette)
    rows = {  # name -> what it gives for the sample
        'icnkit.open': lambda: len(icnkit.open(io.BytesIO(data), name=sample.name)),
        'icnkit.info': lambda: icnkit.info(archive)['frame_count'],
        'Frame.pixels': lambda: archive[0].pixels.shape,
        'icnkit.build': lambda: icnkit.build(archive.generation, [icnkit.Frame(archive[0].pixels)]),
        'icnkit.unpack': lambda: icnkit.unpack(sample, tmp_path / 'u.cadres'),
        'icnkit.pack': lambda: icnkit.pack(tmp_path / 'u.cadres', tmp_path / 'p.icn'),
        'icnkit.sheet': lambda: icnkit.sheet(archive, tmp_path / 's.png'),
        'icnkit.pack_sheet': lambda: icnkit.pack_sheet(tmp_path / 's.json', tmp_path / 'b.icn'),
        'icnkit.gif': lambda: icnkit.gif(sample, tmp_path / 'g.gif'),
        'icnkit.thumbnail': lambda: icnkit.thumbnail(sample, tmp_path / 't.png'),
        'icnkit.write_palette': lambda: icnkit.write_palette(tmp_path / 'p.gpl', archive.palette),
        'icnkit.read_palette': lambda: icnkit.read_palette(tmp_path / 'p.act').shape,
        'icnkit.detect': lambda: icnkit.detect(data),
    }
    assert sorted(rows) == sorted(names)
    for name in names:
        assert rows[name]() is not None or name == 'icnkit.write_palette', name
    assert (tmp_path / 'b.icn').read_bytes() == data  # the sheet packs back to the archive
    assert icnkit.detect(data) == archive.generation == icnkit.detect(sample)


def same_files(one, other):
    names = sorted(p.name for p in pathlib.Path(one).iterdir())
    assert names == sorted(p.name for p in pathlib.Path(other).iterdir())
    assert filecmp.cmpfiles(one, other, names, shallow=False)[0] == names


def test_the_tools_files_byte_for_byte(sample, tool, tmp_path):
    palette = tmp_path / 'dark.raw'
    icnkit.write_palette(palette, np.arange(768).reshape(256, 3) % 64)
    tool_palette = ['--palette', palette, '--palette-8bit']
    cases = [  # command line options, the Python call's options
        ('sheet', [], {}),
        ('sheet', ['--columns', '2', '--padding', '3', '--delay', '70'],
         {'columns': 2, 'padding': 3, 'delay': 70}),
        ('sheet', ['--packed', '--untrimmed'] + tool_palette,
         {'packed': True, 'untrimmed': True, 'palette': palette, 'palette_8bit': True}),
        ('gif', [], {}),
        ('gif', ['--scale', '3', '--delay', '250', '--frames', '1-99'],
         {'scale': 3, 'delay': 250, 'frames': '1-99'}),
        ('gif', ['--frames', '2'] + tool_palette,
         {'frames': (2, 2), 'palette': palette, 'palette_8bit': True}),
    ]
    opened = icnkit.open(sample)
    for i, (command, args, options) in enumerate(cases):
        ours, theirs = tmp_path / f'py{i}', tmp_path / f'tool{i}'
        extension = '.gif' if command == 'gif' else '.png'
        tool(command, sample, '-o', theirs / ('out' + extension), *args)
        getattr(icnkit, command)(sample if i % 2 else opened, ours / ('out' + extension), **options)
        same_files(ours, theirs)
    # A folder takes the archive's name, as -o DIR does.
    tool('gif', sample, '-o', tmp_path / 'dir_tool')
    icnkit.gif(opened, tmp_path)
    assert (tmp_path / (sample.stem + '.gif')).read_bytes() == \
        (tmp_path / 'dir_tool' / (sample.stem + '.gif')).read_bytes()

    for size in (8, 100):  # down and up
        tool('thumbnail', '-s', str(size), sample, tmp_path / f'tool{size}.png')
        assert icnkit.thumbnail(opened, tmp_path / f'py{size}.png', size=size) == \
            str(tmp_path / f'py{size}.png')
        assert (tmp_path / f'py{size}.png').read_bytes() == \
            (tmp_path / f'tool{size}.png').read_bytes()

    info = json.loads(tool('info', '--json', sample).stdout)
    assert icnkit.info(sample) == info[0] == icnkit.info(icnkit.open(str(sample)))
    left, top = info[0]['rectangle']['x'], info[0]['rectangle']['y']
    assert opened.rect == (left, top, info[0]['rectangle']['width'],
                           info[0]['rectangle']['height'])

    for i, (options, args, pack_args) in enumerate([
            ({'format': 'png', 'transparent': True}, ['--format', 'png', '--transparent'], []),
            ({'palette': palette, 'palette_8bit': True}, tool_palette, tool_palette)]):
        theirs, ours = tmp_path / f'tu{i}', tmp_path / f'pu{i}'
        tool('unpack', sample, '-o', theirs, *args)
        icnkit.unpack(sample, ours, **options)
        same_files(theirs / (sample.name + '.cadres'), ours)
        generation = opened.generation.lower()
        tool('pack', ours, '-o', tmp_path / f'tool{i}.icn', '-g', generation, *pack_args)
        icnkit.pack(ours, tmp_path / f'py{i}.icn', generation=generation.upper(),
                    **{k: v for k, v in options.items() if k.startswith('palette')})
        assert (tmp_path / f'py{i}.icn').read_bytes() == (tmp_path / f'tool{i}.icn').read_bytes()
