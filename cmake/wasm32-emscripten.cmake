# WebAssembly with Debian's emscripten (package emscripten, 3.1.x):
#   cmake --preset web && cmake --build --preset web
# Includes emscripten's own toolchain file and adds what its tools need on
# a Debian machine whatever node is on PATH:
# - A link runs emscripten's JavaScript optimiser under node, and that
#   requires acorn from /usr/share/nodejs. Debian's node looks there by
#   itself; another node on PATH (a vendor's build, nvm) does not and fails
#   with "Cannot find module 'acorn'". So links run with NODE_PATH naming
#   that folder (ICNKIT_EMSCRIPTEN_NODE_PATH), however the build is started.
# - Debian ships emscripten's system libraries prebuilt and frozen in
#   /usr/share/emscripten/cache, read-only for users. The variants this
#   build links (libc++ and libc++abi with WebAssembly exceptions, embind)
#   are among them, so nothing is built into the cache and EM_CACHE needs
#   no writable folder; emscripten's ports (fetched libraries) are not used.
set(icnkit_emscripten_roots $ENV{EMSCRIPTEN} /usr/share/emscripten /usr/lib/emscripten)
foreach(root ${icnkit_emscripten_roots})
  if(EXISTS ${root}/cmake/Modules/Platform/Emscripten.cmake)
    set(icnkit_emscripten_toolchain ${root}/cmake/Modules/Platform/Emscripten.cmake)
    break()
  endif()
endforeach()
if(NOT icnkit_emscripten_toolchain)
  message(FATAL_ERROR "emscripten's toolchain file (cmake/Modules/Platform/Emscripten.cmake) was "
                      "not found in ${icnkit_emscripten_roots}: install the Debian package "
                      "emscripten (apt-get install emscripten)")
endif()
include(${icnkit_emscripten_toolchain})

set(ICNKIT_EMSCRIPTEN_NODE_PATH /usr/share/nodejs CACHE PATH
    "The node module folder holding acorn, for emscripten's JavaScript optimiser")
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${ICNKIT_EMSCRIPTEN_NODE_PATH})

# The target's features, for every library alike: exceptions as WebAssembly
# exceptions (they cost nothing until one is thrown; emscripten's default
# catches them in JavaScript, so every call that may throw past a handler
# or a destructor goes out to JavaScript and back) and 128-bit SIMD.
set(CMAKE_C_FLAGS_INIT "-msimd128")
set(CMAKE_CXX_FLAGS_INIT "-msimd128 -fwasm-exceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fwasm-exceptions")
