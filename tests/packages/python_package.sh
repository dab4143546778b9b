#!/usr/bin/env bash
# python_package: the Python module installed as Python installs packages,
# with Debian's tools alone and nothing downloaded (pip without an index):
# `pip install --no-build-isolation .` into a fresh virtual environment
# (--system-site-packages, for Debian's numpy), and the wheel of
# `python3 -m build --wheel --no-isolation` into another; each imported from
# a folder outside the checkout, opening a sample.
# Usage: python_package.sh SOURCE_DIR BUILD_DIR. The module is the one
# BUILD_DIR builds (setup.py builds it there: ICNKIT_CMAKE_BUILD_DIR); the
# package's files are copied out first, so the checkout stays as it was.
# Exits 77 (skipped) when Debian's python3-venv, python3-build or
# python3-wheel is missing, naming them.
set -euo pipefail
source=$(realpath "$1")
build=$(realpath "$2")
python=/usr/bin/python3
missing=()
"$python" -c 'import build' 2>/dev/null || missing+=(python3-build)
"$python" -c 'import wheel' 2>/dev/null || missing+=(python3-wheel)
"$python" -c 'import setuptools' 2>/dev/null || missing+=(python3-setuptools)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$python" -m venv --system-site-packages "$work/pip" >/dev/null 2>&1 || missing+=(python3-venv)
if [ ${#missing[@]} -gt 0 ]; then
  echo "skipped: the Python package needs ${missing[*]} (Debian)"
  exit 77
fi
export ICNKIT_CMAKE_BUILD_DIR=$build PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1
mkdir -p "$work/src/python" "$work/elsewhere"
cp "$source/pyproject.toml" "$source/setup.py" "$source/CMakeLists.txt" "$source/README.md" "$work/src/"
cp -r "$source/python/icnkit" "$work/src/python/"

check() {  # check VENV: icnkit imports from the environment, elsewhere
  (cd "$work/elsewhere" && "$1/bin/python" - "$source/examples/sample_h1.icn" "$1" <<'PYTHON'
import os, sys
import icnkit
where = os.path.dirname(icnkit.__file__)
assert where.startswith(os.path.realpath(sys.argv[2])), where
for name in ('__init__.pyi', 'py.typed'):
    assert os.path.isfile(os.path.join(where, name)), name
archive = icnkit.open(sys.argv[1])
assert (archive.generation, len(archive)) == ('H1', 5), (archive.generation, len(archive))
print(f'python_package: icnkit {archive.generation} {len(archive)} frames from {where}')
PYTHON
  )
}

"$work/pip/bin/pip" install -q --no-build-isolation "$work/src"
check "$work/pip"

(cd "$work/src" && "$python" -m build --wheel --no-isolation --outdir "$work/dist") >"$work/build.log" 2>&1 ||
  { cat "$work/build.log" >&2; exit 1; }
wheels=("$work"/dist/icnkit-*.whl)
[ ${#wheels[@]} = 1 ] && [ -f "${wheels[0]}" ] || { echo "python_package: no wheel made" >&2; exit 1; }
"$python" -m venv --system-site-packages "$work/wheel"
"$work/wheel/bin/pip" install -q "${wheels[0]}"
check "$work/wheel"
echo "python_package: $(basename "${wheels[0]}") and pip install . both install and import"
