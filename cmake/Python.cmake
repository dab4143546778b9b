# The Python module (python/), option ICNKIT_PYTHON: on by default where
# pybind11, Python 3 with its headers and numpy are found, with a notice
# where they are not. The module is for the system's python3 (Debian's, whose
# numpy is python3-numpy, where the .deb installs it): /usr/bin/python3 is
# taken before another python3 found first on the PATH (a pyenv one, say);
# -DPython3_EXECUTABLE=... picks another. Native Linux builds only: not the
# web, Windows or cross builds; .ci/run turns it off in its sanitizer build,
# whose extension a plain python3 cannot load. Included from the top-level
# CMakeLists.txt after cmake/Library.cmake (the module links icnkit_static).
if(EMSCRIPTEN OR WIN32 OR CMAKE_CROSSCOMPILING)
  return()
endif()
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python3_EXECUTABLE /usr/bin/python3)
endif()
find_package(Python3 QUIET COMPONENTS Interpreter Development.Module NumPy)
if(Python3_FOUND AND Python3_NumPy_FOUND)
  set(PYBIND11_FINDPYTHON ON)
  find_package(pybind11 CONFIG QUIET)
endif()
set(icnkit_python_found OFF)
if(Python3_FOUND AND Python3_NumPy_FOUND AND pybind11_FOUND)
  set(icnkit_python_found ON)
endif()
option(ICNKIT_PYTHON "Build the Python module (needs pybind11, Python 3 headers, numpy)"
       ${icnkit_python_found})
if(ICNKIT_PYTHON AND NOT icnkit_python_found)
  message(FATAL_ERROR "ICNKIT_PYTHON=ON needs pybind11, Python 3's headers and numpy "
                      "(Debian: pybind11-dev python3-dev python3-numpy)")
elseif(NOT icnkit_python_found)
  message(NOTICE "pybind11, Python 3's headers or numpy not found (Debian: pybind11-dev "
                 "python3-dev python3-numpy): the Python module is not built.")
endif()
if(ICNKIT_PYTHON)
  add_subdirectory(${PROJECT_SOURCE_DIR}/python)
  # The package routes (pip install ., python3 -m build --wheel), skipped
  # with the packages they need named when Debian's are missing.
  if(ICNKIT_BUILD_TESTS)
    add_test(NAME python_package
             COMMAND ${PROJECT_SOURCE_DIR}/tests/packages/python_package.sh ${PROJECT_SOURCE_DIR}
                     ${PROJECT_BINARY_DIR})
    set_tests_properties(python_package PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
  endif()
endif()
