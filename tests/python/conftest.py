"""Fixtures of the Python module's tests: the icnkit tool of the same build
(ICNKIT_BIN, set by ctest; build/bin by default) and the sample archives."""
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SAMPLES = [ROOT / 'examples' / 'sample_h1.icn', ROOT / 'examples' / 'sample_h2.icn']


@pytest.fixture
def tool():
    """Runs the icnkit tool; returns its CompletedProcess (text output)."""
    binary = pathlib.Path(os.environ.get('ICNKIT_BIN', ROOT / 'build' / 'bin')) / 'icnkit'

    def run(*args, check=True):
        return subprocess.run([str(binary), *map(str, args)], capture_output=True, text=True,
                              check=check)
    return run


@pytest.fixture(params=SAMPLES, ids=lambda p: p.stem)
def sample(request, tmp_path):
    """A copy of a sample archive in a fresh folder."""
    copy = tmp_path / request.param.name
    copy.write_bytes(request.param.read_bytes())
    return copy
