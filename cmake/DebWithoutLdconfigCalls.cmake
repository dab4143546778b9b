# Run by cpack after it has made the packages (CPACK_POST_BUILD_SCRIPTS):
# the .deb made again without the postinst and postrm that CPack writes for
# a shared library in /usr/lib, which only run ldconfig. The package's
# ldconfig trigger (packaging/triggers) does that, as Debian wants; lintian
# reports maintainer scripts that call ldconfig. Any other script stops
# the packaging rather than being dropped.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${CPACK_TOPLEVEL_DIRECTORY}/deb-without-ldconfig)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  foreach(script postinst postrm)
    if(EXISTS ${tree}/DEBIAN/${script})
      file(STRINGS ${tree}/DEBIAN/${script} lines)
      list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|[ \t]*ldconfig|fi|)$")
      if(lines)
        message(FATAL_ERROR "${script} of ${package} does more than run ldconfig: ${lines}")
      endif()
      file(REMOVE ${tree}/DEBIAN/${script})
    endif()
  endforeach()
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${tree} ${package}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
