"""What is no regular file is never written: Archive.save, write_palette
and unpack onto a FIFO, a link to one or (as root) a device node raise
icnkit.Error "Not a regular file: <path>" and leave it as it was."""
import os
import stat

import pytest

import icnkit


def hostile(tmp_path, kind):
    """A FIFO, a link to a FIFO or a character device (root only) at t.*"""
    path = tmp_path / 't.icn'
    if kind == 'fifo':
        os.mkfifo(path)
    elif kind == 'link':
        os.mkfifo(tmp_path / 'pipe')
        os.symlink('pipe', path)
    else:
        if os.geteuid() != 0:
            pytest.skip('a device node needs root')
        os.mknod(path, stat.S_IFCHR | 0o666, os.makedev(1, 3))
    return path


def shape(path):
    info = os.lstat(path)
    return stat.S_IFMT(info.st_mode), os.path.realpath(path)


@pytest.mark.parametrize('kind', ['fifo', 'link', 'device'])
def test_save_refuses_what_is_no_regular_file(sample, tmp_path, kind):
    path = hostile(tmp_path, kind)
    before = shape(path)
    archive = icnkit.open(sample)
    with pytest.raises(icnkit.Error, match='^Not a regular file: ' + str(path) + '$'):
        archive.save(path)
    palette = tmp_path / 'p.gpl'
    os.rename(path, palette)
    with pytest.raises(icnkit.Error, match='^Not a regular file: '):
        icnkit.write_palette(palette, archive.palette)
    os.rename(palette, path)
    assert shape(path) == before
    assert not [name for name in os.listdir(tmp_path) if name.endswith('.tmp')]
