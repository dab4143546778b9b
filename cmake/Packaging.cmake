# Packages made by cpack from a release build:
#   Windows (cross build, preset mingw): icnkit-<version>-windows-x86_64.zip with
#     the four .exe files, both palette bitmaps beside them (the unpackers read
#     them from their own folder) and the README.
#   Linux (preset release): a .deb and a .tar.gz of the installed layout,
#     bin/ with the tools and share/icnkit/ with the palettes.
# Included at the end of the top-level CMakeLists.txt, once every target exists.
set(CPACK_PACKAGE_NAME icnkit)
set(CPACK_PACKAGE_VENDOR "icnkit")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert ICN sprite archives to and from folders of 8-bit BMP files")
set(CPACK_PACKAGE_CONTACT "icnkit maintainers <maintainers@icnkit.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)

set(ICNKIT_TOOL_TARGETS)
foreach(target dravel dravix morlet morvix)
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
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
          DESTINATION share/doc/icnkit)
  set(CPACK_GENERATOR DEB TGZ)
  string(TOLOWER ${CMAKE_SYSTEM_NAME} ICNKIT_SYSTEM)
  set(CPACK_PACKAGE_FILE_NAME
      ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${ICNKIT_SYSTEM}-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # Library dependencies from the binaries when dpkg-shlibdeps is there.
  find_program(ICNKIT_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(ICNKIT_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  endif()
endif()

include(CPack)
