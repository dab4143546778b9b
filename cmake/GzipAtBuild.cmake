# icnkit_gzip_at_build(<source> <output>): at build time, <output> becomes
# <source> compressed with gzip -9n (no name or time stamp inside, so the
# same text always gives the same bytes, as Debian packages want).
# The caller makes a target depend on <output>.
find_program(ICNKIT_GZIP gzip REQUIRED)

function(icnkit_gzip_at_build source output)
  string(REGEX REPLACE "\\.gz$" "" copy ${output})
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${ICNKIT_GZIP} -9nf ${copy}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
endfunction()
