# Checks the manual pages in MAN_DIR against the tools in BIN_DIR:
#   - groff and man render each page without a warning;
#   - .TH names the tool and carries VERSION ("icnkit <VERSION>");
#   - every option of the usage text (--help), and the fixed ones -h, --help,
#     --version and :copyexe, appears in the rendered page.
# Every failure is listed; the script then ends with an error.
# Usage: cmake -DMAN_DIR=... -DBIN_DIR=... -DVERSION=... -P CheckManPages.cmake
foreach(var MAN_DIR BIN_DIR VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckManPages.cmake: ${var} is not set")
  endif()
endforeach()

find_program(GROFF groff)
find_program(MAN man)
if(NOT GROFF OR NOT MAN)
  message(FATAL_ERROR "groff and man are needed to check the manual pages "
                      "(Debian: apt-get install groff-base man-db)")
endif()

set(failures)
macro(fail text)
  list(APPEND failures "${text}")
endmacro()

# icnkit's options are those of its --help and of each command's --help
# (CLI11 lists them as "-g,--generation"; option names may hold digits).
foreach(tool dravel dravix morlet morvix icnkit)
  set(page ${MAN_DIR}/${tool}.1)
  if(NOT EXISTS ${page})
    fail("${page}: missing")
    continue()
  endif()

  execute_process(COMMAND ${GROFF} -man -ww -z ${page}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
    fail("${tool}.1: groff -man -ww -z (status ${rc}):\n${out}${err}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANROFFSEQ= MANWIDTH=80
                          ${MAN} --warnings -E UTF-8 -l -Tutf8 -Z ${page}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT "${err}" STREQUAL "")
    fail("${tool}.1: man --warnings (status ${rc}):\n${err}")
  endif()

  file(STRINGS ${page} th REGEX "^\\.TH ")
  string(TOUPPER ${tool} title)
  if(NOT th MATCHES "^\\.TH ${title} 1 [0-9-]+ \"icnkit ([^\"]*)\"")
    fail("${tool}.1: .TH line not of the form .TH ${title} 1 <date> \"icnkit <version>\": ${th}")
  elseif(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    fail("${tool}.1: .TH says version ${CMAKE_MATCH_1}, the project is ${VERSION}")
  endif()

  # Plain text: no overstriking, no escape sequences.
  execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou ${page}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_QUIET)
  execute_process(COMMAND ${BIN_DIR}/${tool} --help
                  RESULT_VARIABLE rc OUTPUT_VARIABLE usage ERROR_VARIABLE usage_err)
  if(NOT rc EQUAL 0)
    fail("${tool} --help: status ${rc}: ${usage_err}")
  endif()
  if(tool STREQUAL "icnkit")
    string(REGEX MATCH "Subcommands:\n(.*)" commands "${usage}")
    string(REGEX MATCHALL "\n  [a-z]+" commands "\n${CMAKE_MATCH_1}")
    foreach(command ${commands})
      string(STRIP "${command}" command)
      if(NOT text MATCHES "(^|[^-A-Za-z0-9])${command}([^-A-Za-z0-9]|$)")
        fail("icnkit.1 does not mention the command ${command}")
      endif()
      execute_process(COMMAND ${BIN_DIR}/icnkit ${command} --help
                      RESULT_VARIABLE rc OUTPUT_VARIABLE command_usage ERROR_VARIABLE usage_err)
      if(NOT rc EQUAL 0)
        fail("icnkit ${command} --help: status ${rc}: ${usage_err}")
      endif()
      string(APPEND usage "\n${command_usage}")
    endforeach()
    string(REGEX MATCHALL "(^|[ \t\r\n,\\[|])(--?[A-Za-z][-A-Za-z0-9]*)" printed "${usage}")
    set(options -h --help --version)
  else()
    string(REGEX MATCHALL "(^|[ \t\r\n\"'(\\[|])(--?[A-Za-z][-A-Za-z]*|:[a-z]+)" printed "${usage}")
    set(options -h --help --version :copyexe)
  endif()
  foreach(item ${printed})
    string(REGEX REPLACE "^[^-:]+" "" item "${item}")
    list(APPEND options ${item})
  endforeach()
  list(REMOVE_DUPLICATES options)
  foreach(option ${options})
    if(NOT text MATCHES "(^|[^-A-Za-z0-9])${option}([^-A-Za-z0-9]|$)")
      fail("${tool}.1 does not mention the option ${option}")
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" report)
  message(FATAL_ERROR "${report}")
endif()
message(STATUS "Manual pages checked: dravel dravix morlet morvix icnkit (version ${VERSION})")
