"""Checks of the values a script hands the module: paths, generations,
ints within a record's range, pixel and colour arrays. Each gives back the
value as the library takes it, or raises what the library would."""
import operator
import os

import numpy as _np

from . import _icnkit

Error = _icnkit.Error

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


def _ranged(value, option, low, high):
    """An int option within the tool's range for it, else icnkit.Error."""
    try:
        value = operator.index(value)
    except TypeError:
        raise TypeError(f'{option}: an int is needed, not {type(value).__name__}') from None
    if not low <= value <= high:
        raise Error(f'{option}={value}: not in {low}..{high}')
    return value


def _bits(bits):
    bits = operator.index(bits)
    if not 0 <= bits <= 255:
        raise Error(f'Bits out of range: {bits} (0 to 255)')
    return bits


def _pixels(pixels):
    """pixels as the frame keeps them: a C-contiguous 2-D uint8 array (the
    array itself when it is one, else a copy)."""
    array = _np.asarray(pixels) if not isinstance(pixels, _np.ndarray) else pixels
    if array.dtype != _np.uint8 or array.ndim != 2:
        raise TypeError('pixels: a 2-D numpy array of uint8 (palette indices) is needed, not '
                        f'{array.ndim}-D {array.dtype}')
    return _np.ascontiguousarray(array)


def _colours(array):
    array = _np.asarray(array)
    if array.ndim != 2 or array.shape[1:] != (3,) or array.dtype.kind not in 'ui':
        raise TypeError('colours: an (n, 3) array of integers 0..255 is needed')
    if array.size and (array.min() < 0 or array.max() > 255):
        raise ValueError('colours: values must be 0..255')
    return _np.ascontiguousarray(array, dtype=_np.uint8)
