# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix).
#   cmake --preset mingw   or   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix thread model is the one whose libstdc++ has std::thread and
# std::mutex. Everything is linked statically, so the .exe files need no
# MinGW DLLs beside them. Tests run under Wine when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ICNKIT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ICNKIT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ICNKIT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ICNKIT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ICNKIT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(ICNKIT_WINE NAMES wine wine64)
if(ICNKIT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ICNKIT_WINE})
endif()
