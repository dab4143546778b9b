"""The Python package icnkit: python/icnkit/ and the extension _icnkit,
compiled by CMake (target icnkit_python) for the Python that runs this, in
build/python-package/ (or in the configured build ICNKIT_CMAKE_BUILD_DIR
names, built as it is). Needs what the build needs: CMake, Ninja, a C++20
compiler and the Debian packages of the README's install line."""
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = os.path.dirname(os.path.abspath(__file__))


def project_version():
    with open(os.path.join(SOURCE, 'CMakeLists.txt'), encoding='utf-8') as lists:
        return re.search(r'project\(icnkit VERSION ([0-9.]+)', lists.read()).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.environ.get('ICNKIT_CMAKE_BUILD_DIR')
        if not build:
            build = os.path.join(SOURCE, 'build', 'python-package')
            subprocess.run(['cmake', '-S', SOURCE, '-B', build, '-G', 'Ninja',
                            '-DCMAKE_BUILD_TYPE=Release', '-DICNKIT_BUILD_TESTS=OFF',
                            '-DICNKIT_BUILD_BENCH=OFF', '-DICNKIT_PYTHON=ON',
                            f'-DPython3_EXECUTABLE={sys.executable}'], check=True)
        subprocess.run(['cmake', '--build', build, '--target', 'icnkit_python'], check=True)
        built = os.path.join(build, 'python', 'icnkit')
        module = [n for n in os.listdir(built) if n.startswith('_icnkit.') and n.endswith('.so')]
        if len(module) != 1:
            raise RuntimeError(f'{built}: expected one _icnkit module, found {module}')
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(os.path.join(built, module[0]), target)


setup(
    version=project_version(),
    packages=['icnkit'],
    package_dir={'icnkit': 'python/icnkit'},
    package_data={'icnkit': ['__init__.pyi', 'py.typed']},
    ext_modules=[Extension('icnkit._icnkit', sources=[])],
    cmdclass={'build_ext': CMakeBuild},
)
