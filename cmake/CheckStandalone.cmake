# A folder that includes nothing but its own headers and standard library
# headers (<name>, no folder, no extension):
#   format_standalone          format/ (every source), so the format builds
#                              from the standard library alone
#   public_headers_standalone  include/icnkit/, the library's installed
#                              headers, which may not show the internals
# Usage: cmake -DDIR=<folder> -DPREFIX=<folder name in its own includes,
#        "format" for #include "format/X.h"> -P CheckStandalone.cmake
file(GLOB sources ${DIR}/*.h ${DIR}/*.h.in ${DIR}/*.cpp)
if(NOT sources)
  message(FATAL_ERROR "no sources in ${DIR}")
endif()
set(failures "")
foreach(source ${sources})
  file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${includes})
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"${PREFIX}/[A-Za-z0-9_]+\\.h\"")
      continue()
    elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<[a-z_]+>")
      continue()
    endif()
    string(APPEND failures "\n  ${source}: ${line}")
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "${DIR} includes outside ${PREFIX}/ and the standard library:${failures}")
endif()
list(LENGTH sources count)
message(STATUS "${DIR}: ${count} sources, standard library includes only")
