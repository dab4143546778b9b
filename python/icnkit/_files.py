"""What the icnkit tool's subcommands info, sheet, gif, thumbnail, unpack,
pack and pack --sheet do, for Python scripts (imported into the package icnkit,
whose names these are)."""
import json as _json
import operator
import os
import warnings as _warnings

from . import _icnkit
from . import Archive, Error, _generation, _palette, _path, _ranged
from . import open as _open


def _archive(archive, generation=None):
    """An Archive: archive itself, or what open() makes of a path, bytes or
    a file object."""
    return archive if isinstance(archive, Archive) else _open(archive, generation)


def info(archive, generation=None):
    """What "icnkit info --json" tells about an archive: the one object
    json.loads gives for it ("file", "size", "generation", "frame_count",
    "rectangle", "frames" with each record, its stream's offset and
    length), equal to the tool's for the same file.

    archive: an Archive, or what open() takes (then generation as there).
    "file" is the path an archive was opened by, as given, else its name."""
    archive = _archive(archive, generation)
    return _json.loads(archive._native().info(archive.filename or 'archive.icn'))


def _target(archive, path, extensions):
    """Where "icnkit sheet/gif -o path" writes an archive's files: a path
    ending in one of extensions (any letter case) that is no folder names
    the file (and its pair); else path is the folder, and the files are
    named after the archive. Returns the function of an extension."""
    path = os.fsdecode(_path(path))
    extension = os.path.splitext(path)[1].lower()
    if extension in extensions and not os.path.isdir(path):
        base = path[:-len(extension)]
        return lambda ext: path if ext == extension else base + ext
    stem = os.path.splitext(os.path.basename(archive.filename) or 'archive.icn')[0]
    return lambda ext: os.path.join(path, stem + ext)


def sheet(archive, path, columns=None, packed=False, padding=0, untrimmed=False, delay=100,
          palette=None, palette_6bit=False, palette_8bit=False, generation=None):
    """Does what "icnkit sheet -o path" does, byte for byte: writes the
    sprite sheet of an archive, an 8-bit indexed PNG (index 0 transparent)
    and its JSON (array layout, each frame's record), and returns their
    paths (png, json).

    archive: an Archive, or what open() takes. path: "x.png" or "x.json"
    names the pair; a folder takes "<archive name>.png" and ".json".
    Options as the tool's: columns (cells a row, 1..65535; None: about
    square), packed (shelves, tallest first; not with columns), padding
    (0..4096), untrimmed (every cell the union rectangle), delay (each
    frame's duration in ms, 0..655350), palette (a palette file's path or
    (n, 3) colours; None: the generation's), palette_6bit, generation."""
    archive = _archive(archive, generation)
    if columns is not None and packed:
        raise Error('--packed excludes --columns')
    columns = 0 if columns is None else _ranged(columns, 'columns', 1, 65535)
    options = (columns, bool(packed), _ranged(padding, 'padding', 0, 4096), bool(untrimmed),
               _ranged(delay, 'delay', 0, 655350))
    file = _target(archive, path, ('.png', '.json'))
    png, text = archive._native().sheet(*options, os.path.basename(file('.png')),
                                        _palette(palette, palette_6bit, palette_8bit))
    _icnkit.save_file(_path(file('.png')), png)
    _icnkit.save_file(_path(file('.json')), text)
    return file('.png'), file('.json')


def _frame_range(frames, count):
    """(first, last) of a frames= option ("A-B", "A", or (A, B)) as "icnkit
    gif --frames" takes it (icnkit::ParseFrameRange): B past the last frame
    is the last."""
    if not isinstance(frames, str):
        first, last = (operator.index(n) for n in frames)
        frames = f'{first}-{last}'
    return _icnkit.frame_range(frames, count)


def gif(archive, path, delay=100, frames=None, scale=1, palette=None, palette_6bit=False,
        palette_8bit=False, generation=None):
    """Does what "icnkit gif -o path" does, byte for byte: writes the
    animated GIF of an archive (looping, every frame at its place on the
    union rectangle, index 0 transparent) and returns its path.

    archive: an Archive, or what open() takes. path: "x.gif", or a folder
    that takes "<archive name>.gif". Options as the tool's: delay (ms a
    frame, 0..655350), frames ("A-B", "A" or (A, B): only those frames,
    numbered from 0; B past the last: to the last), scale (each pixel as
    scale x scale, 1..64), palette (a palette file's path or (n, 3)
    colours), palette_6bit, generation."""
    archive = _archive(archive, generation)
    first, last = (0, 2 ** 64 - 1) if frames is None else _frame_range(frames, len(archive))
    data = archive._native().gif(_ranged(delay, 'delay', 0, 655350), _ranged(scale, 'scale', 1, 64),
                                 first, last, _palette(palette, palette_6bit, palette_8bit))
    file = _target(archive, path, ('.gif',))('.gif')
    _icnkit.save_file(_path(file), data)
    return file


def thumbnail(archive, path, size=128, generation=None):
    """Does what "icnkit thumbnail -s size archive path" does, byte for
    byte: writes the preview frame of an archive (the one "icnkit unpack
    --preview" shows), scaled by a whole factor to fit size x size (1..4096),
    as an indexed PNG with index 0 transparent, and returns path.

    archive: an Archive, or what open() takes (then generation as there).
    An archive without a frame with pixels is an icnkit.Error."""
    archive = _archive(archive, generation)
    made = archive._native().thumbnail(_ranged(size, 'size', 1, 4096))
    if made is None:
        name = archive.filename or 'archive.icn'
        raise Error(f'{name} has no frame with pixels to show')
    _icnkit.save_file(_path(path), made[0])
    return os.fsdecode(_path(path))


def unpack(archive, folder=None, format='bmp', palette=None, palette_6bit=False,
           palette_8bit=False, transparent=False, generation=None):
    """Does what "icnkit unpack" does: writes the frame folder of an archive
    and returns its path (str).

    archive: the archive file's path (str, bytes or os.PathLike), or an
    Archive (then folder is needed). folder: None for the folder beside the
    file ("<archive>.cadres/"). format: "bmp" or "png" frame files;
    palette: the colours the files carry (a palette file's path or (n, 3)
    colours; None: the generation's), palette_6bit; transparent: PNG frames
    say index 0 is transparent; generation: "H1", "H2" or None (told from
    the file). The files and their bytes are those of the tool: one file a
    frame, each the size of the union rectangle, and setup.ini."""
    if not isinstance(format, str):
        raise TypeError('format: "bmp" or "png" is needed')
    _generation(generation)
    colours = _palette(palette, palette_6bit, palette_8bit)
    if isinstance(archive, Archive):
        if folder is None:
            raise TypeError('unpack: an Archive object needs a folder')
        archive._native().unpack(_path(folder), format, bool(transparent), colours)
        return os.fsdecode(folder)
    return _icnkit.unpack_file(_path(archive), b'' if folder is None else _path(folder),
                               generation, format, bool(transparent), colours)


def _warn(lines):
    for line in lines:
        _warnings.warn(line, stacklevel=3)


def pack(folder, archive=None, generation=None, palette=None, palette_6bit=False,
         palette_8bit=False, remap=False):
    """Does what "icnkit pack" does: packs a frame folder into an archive
    file and returns the archive's path (str).

    folder: the frame folder ("x.icn.cadres"), or the archive beside its
    frame folder ("x.icn"). archive: where to write it; None for "x.icn".
    Every .bmp and .png file of the folder, in the natural order of their
    names, is a frame, placed by setup.ini's X and Y. generation: "H1",
    "H2" or None for setup.ini's Generation. palette, palette_6bit: the
    colours PNG frames are matched against; remap: map each PNG pixel by
    its colour. What the tool warns of (a PNG's own colour table) is a
    warnings.warn. Written as the packers write."""
    _generation(generation)
    colours = _palette(palette, palette_6bit, palette_8bit)
    packed, lines = _icnkit.pack_folder(_path(folder), b'' if archive is None else _path(archive),
                                        generation, bool(remap), colours)
    _warn(lines)
    return packed


def pack_sheet(sheet, archive=None, palette=None, palette_6bit=False, palette_8bit=False,
               remap=False):
    """Does what "icnkit pack --sheet" does: packs a sprite sheet (its JSON
    and the image beside it that the JSON's meta.image names, which may
    have been edited) into an archive and returns the archive's path.

    sheet: the JSON's path. archive: where to write it; None for the file
    beside the JSON that its meta.Archive names. palette, palette_6bit,
    remap: as pack's, for the image."""
    packed, lines = _icnkit.pack_sheet_file(_path(sheet),
                                            b'' if archive is None else _path(archive),
                                            bool(remap),
                                            _palette(palette, palette_6bit, palette_8bit))
    _warn(lines)
    return packed
