"""icnkit: ICN sprite archives (H1 and H2) for Python scripts.

The operations of the icnkit tool, by the same names (docs/api.md lists
them in every face): open, info, decode (Frame.pixels), build, unpack,
pack, sheet, pack_sheet, gif, thumbnail, read_palette, write_palette,
detect. Options
carry the tool's long option names: --scale is scale=, --palette-6bit
palette_6bit=.

    import icnkit
    archive = icnkit.open("hero.icn")
    for frame in archive:
        frame.pixels[frame.pixels == 10] = 20   # recolour in place
    archive.save("hero_red.icn")
    icnkit.gif(archive, "hero.gif", scale=2)

What a caller can catch:
  icnkit.Error (a ValueError)  an archive, frame folder, image, palette or
      value that icnkit refuses, with the tools' message ("Invalid archive:
      ...", "Not a regular file: ..."); .file is the file it concerns.
  OSError  a failure of the system, with its errno, as the subclass open()
      raises for it: FileNotFoundError, PermissionError, IsADirectoryError,
      NotADirectoryError, ...; .file as for icnkit.Error.
  MemoryError  no memory for a decode or a build.
  TypeError  an argument of the wrong type.
"""
import builtins as _builtins
import operator
import os

import numpy as _np

from . import _icnkit

__all__ = ['Archive', 'Error', 'Frame', 'MAX_DECODED_PIXELS', 'build', 'detect', 'gif', 'info',
           'open', 'pack', 'pack_sheet', 'read_palette', 'sheet', 'thumbnail', 'unpack',
           'write_palette', '__version__']

__version__ = _icnkit.version

MAX_DECODED_PIXELS = 2 ** 30
"""The most pixels (bytes) one archive holds decoded at once: the arrays of
its frames that are alive and the edits kept until it is saved. Reading a
frame past it raises icnkit.Error "Too many decoded pixels: ..." before
anything is allocated. Set it (as Pillow's Image.MAX_IMAGE_PIXELS) to
allow more, or None for no bound."""

Error = _icnkit.Error
Error.__doc__ = """An archive, frame folder, image or value that icnkit refuses.

str(error) is the message the icnkit tools show for the same failure, with
the file it concerns before it where the message does not name it;
error.file is that file ('' when none). OSErrors of icnkit carry .file
too."""
Error.__module__ = 'icnkit'
Error.file = ''

from ._values import _bits, _colours, _generation, _int32, _path, _pixels, _ranged  # noqa: E402,F401


def _palette(palette, palette_6bit=False, palette_8bit=False):
    """The colours of a palette= option: None (the generation's), a palette
    file's path (read as --palette reads it) or an (n, 3) array-like."""
    if palette is None:
        return None
    if isinstance(palette, (str, bytes, os.PathLike)):
        return read_palette(palette, palette_6bit=palette_6bit, palette_8bit=palette_8bit)
    return _colours(palette)


class Frame:
    """One frame: its pixels, where their top-left pixel lies, and its bits.

    Frame(pixels, left=0, top=0, bits=0) makes a frame to build an archive
    with (icnkit.build, Archive(generation, frames)). pixels: any 2-D uint8
    array of palette indices, 0 transparent; the frame keeps it when it is
    C-contiguous, else a C-contiguous copy. (left, top): where pixel (0, 0)
    lies relative to the sprite's reference point. bits: the frame's value
    in a frame folder's setup.ini, 0..255 (bit 5, 32: every opaque pixel is
    a shadow, "fill-only"; H1 stores 0 or 32), else icnkit.Error "Bits out
    of range: ...". Built into an archive, the frame is trimmed to its
    opaque pixels as the packers trim, so an opened archive shows it at
    (left + x, top + y) of its first opaque column x and row y; a left or
    top no record can hold is refused then ("frame 3: Frame out of range").

    Frames of an opened archive (archive[i]) carry its records: left, top,
    width, height and bits as "icnkit info" shows them; left, top and bits
    may be set. Their pixels are decoded when asked for (see pixels).
    """
    __slots__ = ('left', 'top', '_bits', '_pixels', '_source', '_index', '_record')

    def __init__(self, pixels, left=0, top=0, bits=0):
        self._pixels = _pixels(pixels)
        self.left = operator.index(left)
        self.top = operator.index(top)
        self.bits = bits
        self._source = self._index = self._record = None

    @classmethod
    def _of(cls, source, index):
        frame = cls.__new__(cls)
        frame._source, frame._index = source, index
        frame._record = source.record(index)
        frame.left, frame.top, _, _, frame._bits, _ = frame._record
        frame._pixels = None
        return frame

    @property
    def bits(self):
        """The frame's setup.ini value, 0..255 (bit 5, 32: fill-only)."""
        return self._bits

    @bits.setter
    def bits(self, bits):
        self._bits = _bits(bits)

    @property
    def pixels(self):
        """The (height, width) uint8 array of palette indices, 0 transparent.

        A frame of an opened archive decodes them when asked for, into
        memory of the library's that the array's base owns (no copy). While
        the array (or a view of it) lives, every read gives it, from any
        thread, and edits in place are the frame's; when the script lets go
        of it, edited pixels are kept by the archive until it is saved and
        unedited ones are freed (read again, they are decoded again). So a
        script that reads frames in turn holds one at a time; the total an
        archive holds is bounded by icnkit.MAX_DECODED_PIXELS. Assigning a
        2-D uint8 array replaces the pixels (any size)."""
        if self._pixels is not None:
            return self._pixels
        return self._source.pixels(self._index, MAX_DECODED_PIXELS)

    @pixels.setter
    def pixels(self, pixels):
        self._pixels = _pixels(pixels)
        if self._source is not None:
            self._source.discard(self._index)

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

    def _build(self):
        """(pixels, left, top, bits) to build the frame with; for a frame of
        an opened archive pixels None while not replaced, and None for the
        whole while its record is unchanged too."""
        if self._source is not None and self._pixels is None and (
                self.left, self.top, self.bits) == (self._record[0], self._record[1],
                                                    self._record[4]):
            return None
        return (self._pixels, _int32(self.left, 'left'), _int32(self.top, 'top'), self.bits)

    def to_image(self, palette=None):
        """The frame as a Pillow image of mode "P", index 0 transparent.

        palette: (n, 3) uint8 colours; None for the palette of the archive
        the frame was read from (a frame made by Frame() needs one). Needs
        Pillow (Debian: python3-pil): ImportError without it."""
        if palette is None:
            if self._source is None:
                raise ValueError('to_image: a frame made by Frame() needs a palette')
            palette = _icnkit.generation_palette(self._source.generation)
        colours = _np.asarray(palette, dtype=_np.uint8)
        if colours.ndim != 2 or colours.shape[1] != 3 or len(colours) > 256:
            raise TypeError('palette: an array of shape (n, 3), n <= 256, is needed')
        try:
            from PIL import Image
        except ImportError:
            raise ImportError('Frame.to_image needs Pillow (Debian: python3-pil)') from None
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
    iterable of Frame); icnkit.open(...) opens one. len(archive),
    archive[i] (negative i counts from the end) and iteration give its
    frames, the same Frame object for the same index each time, from any
    thread.

    to_bytes() (or tobytes()) and save(path) give the archive as the
    packers make it. Of an opened archive, every frame whose pixels and
    record did not change keeps its stored bytes, read or not: an archive
    opened and saved untouched is the same bytes, and changing one frame's
    left changes that frame's record alone. Changed frames are encoded
    from their pixels, trimmed as the packers trim.
    """
    __slots__ = ('_generation', '_source', '_frames', '_count', 'filename')

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
        self.filename = ''

    @classmethod
    def _opened(cls, source, filename):
        archive = cls.__new__(cls)
        archive._generation = source.generation
        archive._source = source
        archive._frames = {}
        archive._count = source.frame_count
        archive.filename = filename
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

    @property
    def rect(self):
        """The union rectangle of the frames, (left, top, width, height), as
        "icnkit info" shows it: the smallest rectangle holding every frame's
        (frames without pixels included); (0, 0, 0, 0) without frames."""
        return self._native().union()

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
        if frame is None:  # the first thread's Frame is everyone's
            frame = self._frames.setdefault(index, Frame._of(self._source, index))
        return frame

    def __iter__(self):
        for index in range(self._count):
            yield self[index]

    def _built(self):
        """The archive's bytes; None for an opened archive nothing changed."""
        if self._source is None:
            return build(self._generation, self._frames)
        frames = self._frames
        return self._source.build([frames[i]._build() if i in frames else None
                                   for i in range(self._count)])

    def _native(self):
        """The compiled archive as it is now (edits built)."""
        if self._source is None:
            return _icnkit.open_bytes(self.to_bytes(), self._generation, self.filename)
        built = self._built()
        if built is None:
            return self._source
        return _icnkit.open_bytes(built, self._generation, self._source.name)

    def to_bytes(self):
        """The archive's bytes (bytes), as the packers make them; frames
        that did not change keep their stored bytes."""
        built = self._built()
        return self._source.to_bytes() if built is None else built

    tobytes = to_bytes

    def save(self, path):
        """Writes the archive as the file at path (str, bytes or
        os.PathLike) as the packers write one: whole or not at all, through
        a temporary file renamed over it; its folders are made first. A path
        that exists and is no regular file (a device, a FIFO) is refused:
        icnkit.Error "Not a regular file: <path>", nothing written."""
        _icnkit.save_file(_path(path), self.to_bytes())

    def __repr__(self):
        return f'<icnkit.Archive {self._generation}, {self._count} frames>'


def open(fp, generation=None, name=None):
    """Opens an ICN archive and returns an Archive.

    fp: the archive file's path (str or os.PathLike); its bytes (bytes,
    bytearray, memoryview or any contiguous buffer, copied); or a binary
    file object (io.BytesIO, an open file: read from where it is). name:
    the archive's file name for bytes and file objects (a file object's
    .name by default), which decides H1's fill-only frames ("font.icn":
    all of them; a ".std" archive: frame 0) and names it in messages.
    generation: "H1", "H2" or None to tell it from the bytes. Reads the
    frame table only; frames are decoded when their pixels are asked for.
    Raises FileNotFoundError (an OSError) for a missing file,
    icnkit.Error ("Invalid archive: ...", "cannot tell whether ... is H1
    or H2; give its generation") for bytes that are no archive; opened by
    path, the error's .file is the path."""
    _generation(generation)
    if name is not None and not isinstance(name, str):
        raise TypeError(f'name: a str is needed, not {type(name).__name__}')
    if isinstance(fp, (str, os.PathLike)):
        filename = os.fsdecode(fp)
        try:
            source = _icnkit.open_file(_path(fp), generation)
        except (Error, OSError) as error:
            if not getattr(error, 'file', ''):
                error.file = filename
            raise
        return Archive._opened(source, filename)
    if hasattr(fp, 'read'):
        if name is None and isinstance(getattr(fp, 'name', None), (str, bytes)):
            name = os.path.basename(os.fsdecode(fp.name))
        fp = fp.read()
        if not isinstance(fp, (bytes, bytearray)):
            raise TypeError('open: a file object opened in binary mode is needed')
    try:
        view = memoryview(fp)
    except TypeError:
        raise TypeError('open: a path or the bytes of an archive (or a binary file object) is '
                        f'needed, not {type(fp).__name__}') from None
    with view:
        source = _icnkit.open_bytes(view if view.c_contiguous else view.tobytes(), generation,
                                    name or '')
    return Archive._opened(source, name or '')


def build(generation, frames):
    """The bytes of the archive of frames (an iterable of Frame), as the
    packers make them from a frame folder whose bitmaps these are: "H1" or
    "H2". Raises icnkit.Error "frame <i>: Frame out of range" for a frame a
    record cannot hold, "frame <i>: Bits out of range: ..." (H1 stores 0
    or 32), "Too many frames: <count>" past 65,535."""
    frames = [(f.pixels, _int32(f.left, 'left'), _int32(f.top, 'top'), f.bits) for f in frames]
    return _icnkit.build(_icnkit.generation_name(generation), frames)


def detect(data):
    """"H1" or "H2", the generation whose structure an archive fits, as
    icnkit tells it; None when neither fits, or both (no frames). data: a
    path, the bytes or a binary file object."""
    if isinstance(data, (str, os.PathLike)):
        with _builtins.open(data, 'rb') as file:
            data = file.read()
    elif hasattr(data, 'read'):
        data = data.read()
    with memoryview(data) as view:
        return _icnkit.detect(view if view.c_contiguous else view.tobytes())


def read_palette(path, palette_6bit=False, palette_8bit=False):
    """The colours of a palette file as an (n, 3) uint8 array: a BMP or PNG
    image's colour table, JASC-PAL (.pal), GIMP (.gpl), Adobe (.act) or
    raw 768 bytes (.raw, .vga). A raw palette whose values are all 0..63 is
    taken for a 6-bit VGA palette and scaled by 255/63; palette_6bit says it
    is one, palette_8bit that it is not (its values are kept)."""
    if palette_6bit and palette_8bit:
        raise ValueError('read_palette: palette_6bit or palette_8bit, not both')
    return _icnkit.read_palette(_path(path), 6 if palette_6bit else 8 if palette_8bit else 0)


def write_palette(path, colours):
    """Writes colours (an (n, 3) array-like of 0..255, n <= 256) as the
    palette file at path, in the format its extension says (.bmp, .png,
    .pal, .gpl, .act, .raw, .vga), whole or not at all. A raw palette whose
    values are all 0..63 reads back as 6-bit unless read with
    palette_8bit=True."""
    _icnkit.write_palette(_path(path), _colours(colours))


# The tool's subcommands that write files (they use the names above).
from ._files import gif, info, pack, pack_sheet, sheet, thumbnail, unpack  # noqa: E402
