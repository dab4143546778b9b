"""icnkit: ICN sprite archives (H1 and H2) for Python scripts.

Open an archive, read and edit its frames as numpy arrays of palette
indices (0 is transparent), save it; build archives from arrays; unpack
and pack frame folders as the icnkit tool does; read and write palette
files.

    import icnkit
    archive = icnkit.open("hero.icn")
    for frame in archive:
        frame.pixels[frame.pixels == 10] = 20   # recolour in place
    archive.save("hero_red.icn")

Failures raise icnkit.Error (a ValueError) with the icnkit tools' messages;
a file that does not exist raises FileNotFoundError, another failure of the
system OSError.
"""
import operator
import os

import numpy as _np

from . import _icnkit

__all__ = ['Archive', 'Error', 'Frame', 'open', 'pack', 'read_palette', 'unpack',
           'write_palette', '__version__']

__version__ = _icnkit.version

Error = _icnkit.Error
Error.__doc__ = """An archive, frame folder, image or value that icnkit refuses.

str(error) is the message the icnkit tools show for the same failure, with
the file it concerns before it where the message does not name it;
error.file is that file ('' when none)."""
Error.__module__ = 'icnkit'
Error.file = ''

_INT32 = (-2 ** 31, 2 ** 31 - 1)


def _path(path):
    """A path for the library: str, bytes or os.PathLike, as bytes."""
    if not isinstance(path, (str, bytes, os.PathLike)):
        raise TypeError(f'a path (str, bytes or os.PathLike) is needed, not {type(path).__name__}')
    encoded = os.fsencode(path)
    if b'\0' in encoded:
        raise ValueError('embedded null byte')
    return encoded


def _generation(generation):
    if generation is not None and not isinstance(generation, str):
        raise TypeError(f'generation: "H1", "H2" or None, not {type(generation).__name__}')
    return generation


def _int32(value, name):
    """value as a C int: past its range is as far as it goes, which no
    record holds either, so the library refuses the same."""
    try:
        value = operator.index(value)
    except TypeError:
        raise TypeError(f'{name}: an int is needed, not {type(value).__name__}') from None
    return max(_INT32[0], min(_INT32[1], value))


def _pixels(pixels):
    """pixels as the frame keeps them: a C-contiguous 2-D uint8 array (the
    array itself when it is one, else a copy)."""
    array = _np.asarray(pixels) if not isinstance(pixels, _np.ndarray) else pixels
    if array.dtype != _np.uint8 or array.ndim != 2:
        raise TypeError('pixels: a 2-D numpy array of uint8 (palette indices) is needed, not '
                        f'{array.ndim}-D {array.dtype}')
    return _np.ascontiguousarray(array)


class Frame:
    """One frame: its pixels, where their top-left pixel lies, and its bits.

    Frame(pixels, left=0, top=0, bits=0) makes a frame to build an archive
    with (Archive(generation, frames)). pixels: any 2-D uint8 array of
    palette indices, 0 transparent; the frame keeps it when it is
    C-contiguous, else a C-contiguous copy. (left, top): where pixel (0, 0)
    lies relative to the sprite's reference point. bits: the frame's value
    in a frame folder's setup.ini (bit 5, 32: every opaque pixel is a
    shadow, "fill-only"). Built into an archive, the frame is trimmed to its
    opaque pixels as the packers trim, so an opened archive shows it at
    (left + x, top + y) of its first opaque column x and row y.

    Frames of an opened archive (archive[i]) carry its records: left, top,
    width, height and bits as "icnkit info" shows them. Their pixels are
    decoded when first asked for, into an array the frame keeps; that
    array is writable, and what it holds when the archive is saved is
    what is saved. left, top and bits may be set too.
    """
    __slots__ = ('left', 'top', 'bits', '_pixels', '_source', '_index', '_record')

    def __init__(self, pixels, left=0, top=0, bits=0):
        self._pixels = _pixels(pixels)
        self.left = operator.index(left)
        self.top = operator.index(top)
        self.bits = operator.index(bits)
        self._source = self._index = self._record = None

    @classmethod
    def _of(cls, archive, index):
        frame = cls.__new__(cls)
        frame._source, frame._index = archive, index
        frame._record = archive.record(index)
        frame.left, frame.top, _, _, frame.bits, _ = frame._record
        frame._pixels = None
        return frame

    @property
    def pixels(self):
        """The (height, width) uint8 array of palette indices, 0 transparent.

        Decoded on first use by the library into memory of its own, which
        the array's base owns (no copy): every read gives that same array,
        so edits in place are the frame's. Assigning a 2-D
        uint8 array replaces the pixels (any size)."""
        if self._pixels is None:
            self._pixels = self._source.decode(self._index)
        return self._pixels

    @pixels.setter
    def pixels(self, pixels):
        self._pixels = _pixels(pixels)

    @property
    def width(self):
        """Width in pixels (0 for a frame without pixels)."""
        return self._record[2] if self._pixels is None else self._pixels.shape[1]

    @property
    def height(self):
        """Height in pixels (0 for a frame without pixels)."""
        return self._record[3] if self._pixels is None else self._pixels.shape[0]

    @property
    def fill_only(self):
        """True when every opaque pixel is index 5, a shadow (bit 5 of bits)."""
        return bool(self.bits & 32)

    def _edited(self):
        """Whether the frame may differ from its record (always for a new one)."""
        if self._source is None or self._pixels is not None:
            return True
        return (self.left, self.top, self.bits) != (self._record[0], self._record[1],
                                                   self._record[4])

    def to_image(self, palette=None):
        """The frame as a Pillow image of mode "P", index 0 transparent.

        palette: (n, 3) uint8 colours; None for the palette of the archive
        the frame was read from (a frame made by Frame() needs one). Needs
        Pillow (Debian: python3-pil)."""
        try:
            from PIL import Image
        except ImportError:
            raise ImportError('Frame.to_image needs Pillow (Debian: python3-pil)') from None
        if palette is None:
            if self._source is None:
                raise ValueError('to_image: a frame made by Frame() needs a palette')
            palette = _icnkit.generation_palette(self._source.generation)
        colours = _np.asarray(palette, dtype=_np.uint8)
        if colours.ndim != 2 or colours.shape[1] != 3 or len(colours) > 256:
            raise TypeError('palette: an array of shape (n, 3), n <= 256, is needed')
        image = Image.fromarray(self.pixels, mode='P')
        image.putpalette(colours.tobytes())
        image.info['transparency'] = 0
        return image

    def __repr__(self):
        return (f'icnkit.Frame({self.width} x {self.height} at ({self.left}, {self.top}), '
                f'bits={self.bits})')


class Archive:
    """An ICN archive: a sequence of Frame objects of one generation.

    Archive(generation, frames) builds one from frames ("H1" or "H2", an
    iterable of Frame); icnkit.open(path_or_bytes) opens one. len(archive),
    archive[i] (negative i counts from the end) and iteration give its
    frames, the same Frame object for the same index each time.

    to_bytes() and save(path) give the archive as the packers make it. An
    opened archive none of whose frames was changed or had its pixels read
    gives back the very bytes it was opened from; otherwise every frame is
    encoded again from its pixels, left, top and bits (which gives the same
    bytes for the output of a packer while nothing changed).
    """
    __slots__ = ('_generation', '_source', '_frames', '_count')

    def __init__(self, generation, frames):
        if not isinstance(generation, str):
            raise TypeError(f'generation: "H1" or "H2", not {type(generation).__name__}')
        self._generation = _icnkit.generation_name(generation)
        self._source = None
        self._frames = list(frames)
        for frame in self._frames:
            if not isinstance(frame, Frame):
                raise TypeError(f'frames: Frame objects are needed, not {type(frame).__name__}')
        self._count = len(self._frames)

    @classmethod
    def _opened(cls, source):
        archive = cls.__new__(cls)
        archive._generation = source.generation
        archive._source = source
        archive._frames = {}
        archive._count = source.frame_count
        return archive

    @property
    def generation(self):
        """"H1" or "H2"."""
        return self._generation

    @property
    def palette(self):
        """The generation's 256 colours, a (256, 3) uint8 array (a new one
        each time): entry i is the colour of palette index i."""
        return _icnkit.generation_palette(self._generation)

    def __len__(self):
        return self._count

    def __getitem__(self, index):
        if isinstance(index, slice):
            return [self[i] for i in range(*index.indices(self._count))]
        index = operator.index(index)
        if index < 0:
            index += self._count
        if not 0 <= index < self._count:
            raise IndexError(f'frame index out of range: the archive has {self._count} frames')
        if self._source is None:
            return self._frames[index]
        frame = self._frames.get(index)
        if frame is None:
            frame = self._frames[index] = Frame._of(self._source, index)
        return frame

    def __iter__(self):
        for index in range(self._count):
            yield self[index]

    def to_bytes(self):
        """The archive's bytes (bytes), as the packers make them."""
        if self._source is not None and not any(f._edited() for f in self._frames.values()):
            return self._source.to_bytes()
        frames = [(f.pixels, _int32(f.left, 'left'), _int32(f.top, 'top'),
                   _int32(f.bits, 'bits')) for f in self]
        return _icnkit.build(self._generation, frames)

    def save(self, path):
        """Writes the archive as the file at path (str, bytes or
        os.PathLike) as the packers write one: whole or not at all, through
        a temporary file renamed over it; its folders are made first."""
        _icnkit.save_file(_path(path), self.to_bytes())

    def __repr__(self):
        return f'<icnkit.Archive {self._generation}, {self._count} frames>'


def open(path_or_bytes, generation=None):
    """Opens an ICN archive and returns an Archive.

    path_or_bytes: the archive file's path (str or os.PathLike), or its
    bytes (bytes, bytearray, memoryview or any contiguous buffer, copied).
    generation: "H1", "H2" or None to tell it from the bytes. Reads the
    frame table only; frames are decoded when their pixels are asked for.
    Raises FileNotFoundError for a missing file, icnkit.Error ("Invalid
    archive: ...", "cannot tell whether ... is H1 or H2; give its
    generation") for bytes that are no archive."""
    _generation(generation)
    if isinstance(path_or_bytes, (str, os.PathLike)):
        source = _icnkit.open_file(_path(path_or_bytes), generation)
    else:
        try:
            view = memoryview(path_or_bytes)
        except TypeError:
            raise TypeError('open: a path or the bytes of an archive is needed, not '
                            f'{type(path_or_bytes).__name__}') from None
        with view:
            source = _icnkit.open_bytes(view if view.c_contiguous else view.tobytes(),
                                        generation, '')
    return Archive._opened(source)


def unpack(archive, folder=None, format='bmp'):
    """Does what "icnkit unpack" does: writes the frame folder of an archive
    and returns its path (str).

    archive: the archive file's path (str, bytes or os.PathLike), or an
    Archive (then folder is needed). folder: None for the folder beside the
    file ("<archive>.cadres/"). format: "bmp" or "png" frame files. The
    files and their bytes are those of the tool: one file a frame, each the
    size of the union rectangle, and setup.ini."""
    if not isinstance(format, str):
        raise TypeError('format: "bmp" or "png" is needed')
    if isinstance(archive, Archive):
        if folder is None:
            raise TypeError('unpack: an Archive object needs a folder')
        source = archive._source
        if source is None or any(f._edited() for f in archive._frames.values()):
            source = _icnkit.open_bytes(archive.to_bytes(), archive.generation,
                                        '' if source is None else source.name)
        source.unpack(_path(folder), format)
        return os.fsdecode(folder)
    return _icnkit.unpack_file(_path(archive), b'' if folder is None else _path(folder), format)


def pack(folder, archive=None):
    """Does what "icnkit pack" does: packs a frame folder into an archive
    file and returns the archive's path (str).

    folder: the frame folder ("x.icn.cadres"), or the archive beside its
    frame folder ("x.icn"). archive: where to write it; None for "x.icn".
    Every .bmp and .png file of the folder, in the natural order of their
    names, is a frame, placed by setup.ini's X and Y; setup.ini's Generation
    says H1 or H2. Written as the packers write."""
    return _icnkit.pack_folder(_path(folder), b'' if archive is None else _path(archive))


def read_palette(path):
    """The colours of a palette file as an (n, 3) uint8 array: a BMP or PNG
    image's colour table, JASC-PAL (.pal), GIMP (.gpl), Adobe (.act) or
    raw 768 bytes (.raw, .vga; 6-bit values are scaled)."""
    return _icnkit.read_palette(_path(path))


def write_palette(path, colours):
    """Writes colours (an (n, 3) array-like of 0..255, n <= 256) as the
    palette file at path, in the format its extension says (.bmp, .png,
    .pal, .gpl, .act, .raw, .vga), whole or not at all."""
    array = _np.asarray(colours)
    if array.ndim != 2 or array.shape[1:] != (3,) or array.dtype.kind not in 'ui':
        raise TypeError('colours: an (n, 3) array of integers 0..255 is needed')
    if array.size and (array.min() < 0 or array.max() > 255):
        raise ValueError('colours: values must be 0..255')
    _icnkit.write_palette(_path(path), _np.ascontiguousarray(array, dtype=_np.uint8))
