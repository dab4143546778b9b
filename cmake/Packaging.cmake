# Packages made by cpack from a release build:
#   Windows (cross build, preset mingw): icnkit-<version>-windows-x86_64.zip with
#     the .exe files, both palette bitmaps beside them (the unpackers read
#     them from their own folder) and the README. The programs are linked
#     statically (runtimes, zlib, libspng, giflib): the zip holds no DLL, and
#     .ci/windows.sh checks that they import none beyond Windows' own.
#   Linux (preset release): a .deb (installed into /usr, lintian-clean: see
#     .ci/deb-check.sh) and a .tar.gz of the installed layout: bin/ with the
#     tools, share/icnkit/ with the palettes, share/man/man1/ with the manual
#     pages, share/doc/icnkit/ with the copyright file and the changelog, and
#     the library (cmake/Library.cmake): lib/<multiarch>/ with libicnkit.so.1
#     (and its links) and libicnkit.a, its CMake package and icnkit.pc, and
#     include/icnkit/, share/mime/packages/icnkit.xml and
#     share/thumbnailers/icnkit.thumbnailer, and where libgimp2.0-dev was
#     found the GIMP plug-in (lib/gimp/2.0/plug-ins/file-icn/file-icn). One
#     package holds the tools, the library and the plug-in.
# Included at the end of the top-level CMakeLists.txt, once every target exists.
set(CPACK_PACKAGE_NAME icnkit)
set(CPACK_PACKAGE_VENDOR "icnkit")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert ICN sprite archives to and from folders of 8-bit BMP files")
set(CPACK_PACKAGE_CONTACT "icnkit maintainers <maintainers@icnkit.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)

set(ICNKIT_TOOL_TARGETS)
foreach(target dravel dravix morlet morvix icnkit)
  if(TARGET ${target})
    list(APPEND ICNKIT_TOOL_TARGETS ${target})
  endif()
endforeach()
set(ICNKIT_PALETTE_FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/H1Palette.bmp
                         ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/H2Palette.bmp)

if(WIN32)
  # One flat folder, as a user unzips it and drops files onto the programs.
  # Its own component, so the zip holds only this layout.
  install(TARGETS ${ICNKIT_TOOL_TARGETS} RUNTIME DESTINATION . COMPONENT windows_zip
          EXCLUDE_FROM_ALL)
  install(FILES ${ICNKIT_PALETTE_FILES} ${PROJECT_SOURCE_DIR}/README.md
                ${PROJECT_SOURCE_DIR}/LICENSE
          DESTINATION . COMPONENT windows_zip EXCLUDE_FROM_ALL)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL windows_zip)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  # The Debian documentation files: the licence in machine-readable form
  # (not LICENSE itself, which lintian reports as an extra licence file) and
  # the native package's changelog, compressed as dh_installchangelogs would.
  include(${PROJECT_SOURCE_DIR}/cmake/GzipAtBuild.cmake)
  set(ICNKIT_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  icnkit_gzip_at_build(${PROJECT_SOURCE_DIR}/packaging/changelog ${ICNKIT_CHANGELOG_GZ})
  add_custom_target(icnkit_changelog ALL DEPENDS ${ICNKIT_CHANGELOG_GZ})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${ICNKIT_CHANGELOG_GZ}
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # File managers: the MIME type of archives (shared-mime-info, whose
  # trigger updates the database) and the thumbnailer that runs "icnkit
  # thumbnail" for it (freedesktop thumbnail rules).
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icnkit-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages RENAME icnkit.xml)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icnkit.thumbnailer
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/thumbnailers)
  # A stripped install (cpack, CPACK_STRIP_FILES) runs a plain "strip", which
  # leaves the compiler's .comment section; take it out as dh_strip does.
  if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF" AND CMAKE_STRIP)
    set(ICNKIT_STRIPPED_FILES)
    foreach(target ${ICNKIT_TOOL_TARGETS})
      list(APPEND ICNKIT_STRIPPED_FILES bin/$<TARGET_FILE_NAME:${target}>)
    endforeach()
    if(TARGET icnkit_shared)
      list(APPEND ICNKIT_STRIPPED_FILES ${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:icnkit_shared>)
    endif()
    if(TARGET file-icn)
      list(APPEND ICNKIT_STRIPPED_FILES ${ICNKIT_GIMP_PLUGIN_DIR}/file-icn)
    endif()
    foreach(file ${ICNKIT_STRIPPED_FILES})
      install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${file}\"
    COMMAND_ERROR_IS_FATAL ANY)
endif()")
    endforeach()
  endif()
  set(CPACK_GENERATOR DEB TGZ)
  string(TOLOWER ${CMAKE_SYSTEM_NAME} ICNKIT_SYSTEM)
  set(CPACK_PACKAGE_FILE_NAME
      ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${ICNKIT_SYSTEM}-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Extended description of the .deb (the summary is its first line).
  set(CPACK_PACKAGE_DESCRIPTION
      "Sprites stored in ICN archives of two generations, H1 and H2, become
folders of 8-bit indexed BMP files plus a setup.ini holding their origin
and flags, to be edited in any paint program and packed again, byte for
byte. dravel and dravix unpack H1 and H2 archives (or write one preview
bitmap per archive), morlet and morvix pack the frame folders again.
icnkit does all of it and more: PNG frames, sprite sheets, GIFs, palettes,
thumbnails for file managers (with the MIME type image/x-icn). The GIMP
plug-in file-icn opens archives as layered indexed images and exports them.
The C++ library libicnkit (shared and static, with its headers, CMake
package and pkg-config file) gives programs the same work.")
  # Versioned library dependencies, read from the binaries by dpkg-shlibdeps
  # (package dpkg-dev): libc6 and libstdc++6 for every tool, libspng0 and
  # libgif7 for icnkit. cmake/CPackProjectConfig.cmake stops the .deb when
  # dpkg-shlibdeps is missing rather than writing unversioned ones, and
  # .ci/deb-check.sh checks the Depends against the libraries the tools load.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The Python module, where built (python/CMakeLists.txt): the python3 of
  # its extension and numpy, recommended (the tools need neither).
  if(ICNKIT_PYTHON_RECOMMENDS)
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ${ICNKIT_PYTHON_RECOMMENDS})
    string(APPEND CPACK_PACKAGE_DESCRIPTION "
The Python module icnkit (for python3, with numpy) opens, edits and
builds archives from scripts.")
  endif()
  if(TARGET icnkit_shared)
    # The shared library: a shlibs file (programs linked with libicnkit.so.1
    # depend on icnkit >= this version), the ldconfig trigger, and the
    # lintian overrides of a package that holds a library with its tools.
    # Linking libicnkit.a needs libspng and giflib's development files.
    set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
    set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libspng-dev, libgif-dev")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/lintian-overrides.in
                   ${CMAKE_BINARY_DIR}/packaging/lintian-overrides @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME icnkit)
    # CPack writes postinst and postrm scripts that run ldconfig for a
    # library in /usr/lib; the trigger does that work, so the .deb is made
    # again without them once cpack has made it.
    set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebWithoutLdconfigCalls.cmake)
  endif()
  find_program(CPACK_ICNKIT_DPKG_SHLIBDEPS dpkg-shlibdeps)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackProjectConfig.cmake)
endif()

include(CPack)
