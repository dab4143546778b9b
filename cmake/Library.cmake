# The installed library, made of the objects of icn_api and of the internal
# libraries it uses (the very objects the tools link, so it is their code):
#   icnkit_static  libicnkit.a
#   icnkit_shared  libicnkit.so.1.3.1, SONAME libicnkit.so.1, exporting the
#                  API alone: every other symbol is hidden (the visibility
#                  preset of the top-level CMakeLists.txt, and icnkit.map)
# Installed (native builds): the headers into include/icnkit/, both
# libraries, lib/cmake/icnkit/ (icnkitConfig.cmake, icnkitConfigVersion.cmake
# and the exported targets: icnkit::icnkit, the shared library, and
# icnkit::icnkit_static) and lib/pkgconfig/icnkit.pc (lib/: the libdir,
# lib/x86_64-linux-gnu on Debian).
# The Windows cross build makes the static library alone and installs none
# of it (its zip holds the tools); the WebAssembly module links icn_api
# itself. Included from the top-level CMakeLists.txt.
if(EMSCRIPTEN)
  return()
endif()

set(icnkit_object_libraries icn_api icn_folders icn_sheet icn_palettefile icn_png icn_pack icn_unpack
                            icn_conventions icn_settings icn_image icn_fs icn_format)
set(icnkit_objects)
foreach(library IN LISTS icnkit_object_libraries)
  set_target_properties(${library} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  list(APPEND icnkit_objects $<TARGET_OBJECTS:${library}>)
endforeach()
set(icnkit_include_dirs $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                        $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
                        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

add_library(icnkit_static STATIC ${icnkit_objects})
set_target_properties(icnkit_static PROPERTIES
  OUTPUT_NAME icnkit EXPORT_NAME icnkit_static ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/lib)
target_include_directories(icnkit_static INTERFACE ${icnkit_include_dirs})
# The headers are C++20 (std::span): a program using them is compiled as
# C++20 at least, whatever standard its own project sets (none, say).
target_compile_features(icnkit_static INTERFACE cxx_std_20)
# What the static library's users link besides it: libspng (with zlib) and
# giflib, found again by icnkitConfig.cmake (LINK_ONLY: their headers are
# not the API's).
target_link_libraries(icnkit_static INTERFACE $<LINK_ONLY:icn::spng> $<LINK_ONLY:icn::gif>)
if(WIN32)
  return()
endif()

add_library(icnkit_shared SHARED ${icnkit_objects})
set_target_properties(icnkit_shared PROPERTIES
  OUTPUT_NAME icnkit EXPORT_NAME icnkit LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/lib
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
target_include_directories(icnkit_shared INTERFACE ${icnkit_include_dirs})
target_compile_features(icnkit_shared INTERFACE cxx_std_20)
target_link_libraries(icnkit_shared PRIVATE icn::spng icn::gif)
if(NOT APPLE)
  # The API's symbols alone, versioned; no symbol left unresolved.
  set(icnkit_map ${PROJECT_SOURCE_DIR}/cmake/icnkit.map)
  target_link_options(icnkit_shared PRIVATE LINKER:--version-script=${icnkit_map}
                                            LINKER:--no-undefined)
  set_target_properties(icnkit_shared PROPERTIES LINK_DEPENDS ${icnkit_map})
endif()
add_library(icnkit::icnkit ALIAS icnkit_shared)
add_library(icnkit::icnkit_static ALIAS icnkit_static)

if(CMAKE_CROSSCOMPILING)
  return()
endif()
include(CMakePackageConfigHelpers)
set(icnkit_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/icnkit)
install(TARGETS icnkit_shared EXPORT icnkitTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS icnkit_static EXPORT icnkitStaticTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/icnkit DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/include/icnkit/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/icnkit)
install(EXPORT icnkitTargets NAMESPACE icnkit:: DESTINATION ${icnkit_cmake_dir})
install(EXPORT icnkitStaticTargets NAMESPACE icnkit:: DESTINATION ${icnkit_cmake_dir})
# Made in a folder of their own, for installing alone: in the build tree's
# top folder, find_package would take them for a package there (a PATH
# holding build/bin makes build/ a prefix it searches) and fail on the
# targets files, which only the installed tree has.
set(icnkit_package_dir ${PROJECT_BINARY_DIR}/cmake-package)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/icnkitConfig.cmake.in
                              ${icnkit_package_dir}/icnkitConfig.cmake
                              INSTALL_DESTINATION ${icnkit_cmake_dir})
write_basic_package_version_file(${icnkit_package_dir}/icnkitConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${icnkit_package_dir}/icnkitConfig.cmake ${icnkit_package_dir}/icnkitConfigVersion.cmake
        DESTINATION ${icnkit_cmake_dir})
# icnkit.pc finds its prefix from where it lies (${pcfiledir}), so the
# installed tree may be moved, or installed under another prefix than the
# configured one (the .deb's /usr).
file(RELATIVE_PATH icnkit_pc_to_prefix /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" icnkit_pc_to_prefix "${icnkit_pc_to_prefix}")
# Linking libicnkit.a needs libspng (with zlib) and giflib: Libs.private
# names them rather than Requires.private, so that users of the shared
# library need no spng.pc (the API's headers include none of theirs).
configure_file(${PROJECT_SOURCE_DIR}/cmake/icnkit.pc.in ${PROJECT_BINARY_DIR}/icnkit.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/icnkit.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
