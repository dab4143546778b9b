# The libraries the icnkit tool is built on, as targets:
#   icn::cli11  CLI11, the command line of icnkit (header-only)
#   icn::json   nlohmann-json, its JSON output (header-only)
#   icn::spng   libspng (with zlib), PNG frames and palettes
#   icn::gif    giflib, animated GIFs
# Code includes them as <CLI/CLI.hpp>, <nlohmann/json.hpp>, <spng.h> and
# <gif_lib.h> on every platform.
#
# Native builds find Debian's packages (libcli11-dev, nlohmann-json3-dev,
# libspng-dev, libgif-dev). The cross builds (Windows with MinGW-w64,
# WebAssembly with emscripten) must not see the build machine's libraries:
# they take the two header-only libraries from Debian's headers through
# folders that hold nothing else, and compile libspng and giflib as static
# libraries from Debian's source packages (fetched once into the build
# tree). libspng is linked with zlib: for Windows the MinGW zlib of
# libz-mingw-w64-dev, for WebAssembly zlib compiled from its source package
# too (emscripten's own zlib is a port fetched from the network).
# Included from the top-level CMakeLists.txt.

# Stops the configuration with the Debian package that provides what is missing.
function(icnkit_require_dependency found_var what package)
  if(NOT ${found_var})
    message(FATAL_ERROR "${what} not found: install the Debian package ${package} "
                        "(apt-get install ${package}), then configure again")
  endif()
endfunction()

if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 CONFIG QUIET)
  icnkit_require_dependency(CLI11_FOUND "CLI11 (the command-line parser)" libcli11-dev)
  find_package(nlohmann_json CONFIG QUIET)
  icnkit_require_dependency(nlohmann_json_FOUND "nlohmann-json (the JSON library)"
                            nlohmann-json3-dev)
  add_library(icn::cli11 ALIAS CLI11::CLI11)
  add_library(icn::json ALIAS nlohmann_json::nlohmann_json)

  find_package(PkgConfig QUIET)
  icnkit_require_dependency(PKG_CONFIG_FOUND "pkg-config (to find libspng)" pkg-config)
  # The prefix ICNKIT_SPNG names the target PkgConfig::ICNKIT_SPNG, which the
  # installed static library names too (cmake/icnkitConfig.cmake.in).
  pkg_check_modules(ICNKIT_SPNG QUIET IMPORTED_TARGET spng)
  icnkit_require_dependency(ICNKIT_SPNG_FOUND "libspng (the PNG library)" libspng-dev)
  add_library(icn::spng ALIAS PkgConfig::ICNKIT_SPNG)
  find_package(GIF QUIET)
  icnkit_require_dependency(GIF_FOUND "giflib (the GIF library)" libgif-dev)
  add_library(icn::gif ALIAS GIF::GIF)
  return()
endif()

# ---- Cross build ------------------------------------------------------------

# Header-only libraries: the build machine's headers, each folder linked into
# a folder of its own, so the cross compiler never searches /usr/include
# (whose C library headers are the build machine's).
set(ICNKIT_HOST_INCLUDE_DIR /usr/include CACHE PATH
    "Where the header-only libraries (CLI11, nlohmann-json) are installed")
function(icnkit_header_only_library target header package)
  set(header_found FALSE)
  if(EXISTS ${ICNKIT_HOST_INCLUDE_DIR}/${header})
    set(header_found TRUE)
  endif()
  icnkit_require_dependency(header_found "${ICNKIT_HOST_INCLUDE_DIR}/${header}" ${package})
  string(REGEX REPLACE "/.*" "" top ${header})
  set(dir ${CMAKE_BINARY_DIR}/host-headers/${top})
  file(MAKE_DIRECTORY ${dir})
  file(CREATE_LINK ${ICNKIT_HOST_INCLUDE_DIR}/${top} ${dir}/${top} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${dir})
endfunction()
icnkit_header_only_library(icn::cli11 CLI/CLI.hpp libcli11-dev)
icnkit_header_only_library(icn::json nlohmann/json.hpp nlohmann-json3-dev)

# The source packages, fetched by fetch-debian-source when the folder holds
# no unpacked copy yet (a rerun finds them and fetches nothing). zlib's is
# asked for by its version: Debian serves the source of the release, not
# that of its security update, and a plain "zlib" fails the whole fetch.
set(icnkit_source_packages libspng giflib)
if(WIN32)
  # zlib for MinGW, the static archive (libz.dll.a would need zlib1.dll).
  find_library(ICNKIT_MINGW_ZLIB NAMES libz.a)
  find_path(ICNKIT_MINGW_ZLIB_INCLUDE_DIR zlib.h)
  set(icnkit_zlib_found FALSE)
  if(ICNKIT_MINGW_ZLIB AND ICNKIT_MINGW_ZLIB_INCLUDE_DIR)
    set(icnkit_zlib_found TRUE)
  endif()
  icnkit_require_dependency(icnkit_zlib_found "zlib for MinGW (libz.a, zlib.h)" libz-mingw-w64-dev)
else()
  set(ICNKIT_ZLIB_SOURCE_VERSION 1:1.2.13.dfsg-1 CACHE STRING
      "The version of Debian's zlib source package compiled into the cross build")
  list(APPEND icnkit_source_packages zlib=${ICNKIT_ZLIB_SOURCE_VERSION})
endif()
set(ICNKIT_DEPS_SOURCE_DIR ${CMAKE_BINARY_DIR}/deps-src CACHE PATH
    "Unpacked Debian source packages of the compiled libraries")
# cmake/fetch-debian-source is the project's own; ICNKIT_FETCH_DEBIAN_SOURCE_DIR
# may name another folder holding one.
find_program(ICNKIT_FETCH_DEBIAN_SOURCE fetch-debian-source
             HINTS ENV ICNKIT_FETCH_DEBIAN_SOURCE_DIR ${PROJECT_SOURCE_DIR}/cmake
             NO_DEFAULT_PATH)
function(icnkit_glob_debian_source out_var package)
  file(GLOB dirs LIST_DIRECTORIES true ${ICNKIT_DEPS_SOURCE_DIR}/${package}-[0-9]*)
  list(FILTER dirs EXCLUDE REGEX "\\.(tar\\.[a-z0-9]+|dsc)$")
  set(${out_var} ${dirs} PARENT_SCOPE)
endfunction()
set(icnkit_missing_sources)
foreach(request ${icnkit_source_packages})
  string(REGEX REPLACE "=.*" "" package ${request})
  icnkit_glob_debian_source(dirs ${package})
  if(NOT dirs)
    list(APPEND icnkit_missing_sources ${request})
  endif()
endforeach()
if(icnkit_missing_sources)
  if(NOT ICNKIT_FETCH_DEBIAN_SOURCE)
    message(FATAL_ERROR "The source packages ${icnkit_missing_sources} are not in "
                        "${ICNKIT_DEPS_SOURCE_DIR} and fetch-debian-source was not found: set "
                        "ICNKIT_FETCH_DEBIAN_SOURCE or unpack them there (apt-get source)")
  endif()
  # apt-get source unpacks them with dpkg-source; the build installs nothing.
  find_program(ICNKIT_DPKG_SOURCE dpkg-source)
  icnkit_require_dependency(ICNKIT_DPKG_SOURCE "dpkg-source (to unpack Debian's source packages)"
                            dpkg-dev)
  message(STATUS "Fetching Debian's source packages ${icnkit_missing_sources} into "
                 "${ICNKIT_DEPS_SOURCE_DIR}")
  execute_process(COMMAND ${ICNKIT_FETCH_DEBIAN_SOURCE} ${ICNKIT_DEPS_SOURCE_DIR}
                          ${icnkit_missing_sources}
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Fetching ${icnkit_missing_sources} failed (${status}):\n${errors}")
  endif()
endif()
function(icnkit_debian_source out_var package probe)
  icnkit_glob_debian_source(dirs ${package})
  if(NOT dirs)
    message(FATAL_ERROR "No source of ${package} in ${ICNKIT_DEPS_SOURCE_DIR}")
  endif()
  list(GET dirs 0 dir)
  if(NOT EXISTS ${dir}/${probe})
    message(FATAL_ERROR "${dir} has no ${probe}: not the expected source of ${package}")
  endif()
  message(STATUS "${package} for the cross build: ${dir}")
  set(${out_var} ${dir} PARENT_SCOPE)
endfunction()
icnkit_debian_source(icnkit_spng_dir libspng spng/spng.c)
icnkit_debian_source(icnkit_gif_dir giflib dgif_lib.c)
if(NOT WIN32)
  icnkit_debian_source(icnkit_zlib_dir zlib zlib.h)
endif()

# The libraries, built like any other target of the project but without its
# warnings: their code is not ours to change. Consumers see only the public
# header, copied into a folder of its own.
enable_language(C)
function(icnkit_static_c_library target public_header)
  add_library(${target} STATIC ${ARGN})
  set(include_dir ${CMAKE_BINARY_DIR}/deps-include/${target})
  get_filename_component(name ${public_header} NAME)
  configure_file(${public_header} ${include_dir}/${name} COPYONLY)
  get_filename_component(private_dir ${public_header} DIRECTORY)
  target_include_directories(${target} PRIVATE ${private_dir})
  target_include_directories(${target} SYSTEM INTERFACE ${include_dir})
  target_compile_options(${target} PRIVATE -w)
endfunction()

icnkit_static_c_library(icnkit_spng ${icnkit_spng_dir}/spng/spng.h ${icnkit_spng_dir}/spng/spng.c)
# SPNG_STATIC: no dllimport/dllexport in spng.h, for the library and its users.
target_compile_definitions(icnkit_spng PUBLIC SPNG_STATIC)
if(WIN32)
  target_include_directories(icnkit_spng PRIVATE ${ICNKIT_MINGW_ZLIB_INCLUDE_DIR})
  target_link_libraries(icnkit_spng PUBLIC ${ICNKIT_MINGW_ZLIB})
else()
  set(icnkit_zlib_sources adler32.c crc32.c deflate.c inflate.c inftrees.c inffast.c trees.c zutil.c
                          compress.c uncompr.c)
  list(TRANSFORM icnkit_zlib_sources PREPEND ${icnkit_zlib_dir}/)
  icnkit_static_c_library(icnkit_zlib ${icnkit_zlib_dir}/zlib.h ${icnkit_zlib_sources})
  # zlib.h includes zconf.h: both in the public folder.
  configure_file(${icnkit_zlib_dir}/zconf.h ${CMAKE_BINARY_DIR}/deps-include/icnkit_zlib/zconf.h
                 COPYONLY)
  target_link_libraries(icnkit_spng PUBLIC icnkit_zlib)
endif()
add_library(icn::spng ALIAS icnkit_spng)

set(icnkit_gif_sources dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_hash.c openbsd-reallocarray.c)
list(TRANSFORM icnkit_gif_sources PREPEND ${icnkit_gif_dir}/)
icnkit_static_c_library(icnkit_gif ${icnkit_gif_dir}/gif_lib.h ${icnkit_gif_sources})
add_library(icn::gif ALIAS icnkit_gif)
