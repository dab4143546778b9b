# Hardening of optimised builds (Release, RelWithDebInfo) on Linux and macOS,
# the flags Debian's packages are built with: fortified libc calls, stack
# protector, position-independent executables and, for ELF, full RELRO
# (read-only relocations, resolved at start-up). Windows builds (MSVC, the
# MinGW-w64 cross build) take none of these: its linker knows no -z. Nor
# does WebAssembly (preset web): its module is no ELF and no executable, its
# C library has no fortified calls, and position-independent code would ask
# for dynamic linking.
# Included from the top-level CMakeLists.txt before any target is made.
option(ICNKIT_HARDENING "Harden optimised builds (fortify, stack protector, PIE, RELRO)" ON)
if(NOT ICNKIT_HARDENING OR WIN32 OR MSVC OR EMSCRIPTEN OR ICNKIT_FUZZ)
  return()
endif()

set(icnkit_optimised $<CONFIG:Release,RelWithDebInfo>)
# -U first: some compilers define _FORTIFY_SOURCE themselves, and a second
# definition with another value is a warning (an error with -Werror).
add_compile_options($<${icnkit_optimised}:-U_FORTIFY_SOURCE>
                    $<${icnkit_optimised}:-D_FORTIFY_SOURCE=2>
                    $<${icnkit_optimised}:-fstack-protector-strong>)

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

if(NOT APPLE)
  add_link_options($<${icnkit_optimised}:LINKER:-z,relro,-z,now>)
endif()
unset(icnkit_optimised)
