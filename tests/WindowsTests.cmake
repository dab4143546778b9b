# The Windows side of the test build (included by tests/CMakeLists.txt).

# Test files left out: they test what only POSIX has.
set(ICN_POSIX_ONLY_TESTS
  # The POSIX file system (fs/PosixFileSystem.cpp) on real folders.
  fs/posix_file_system_test.cpp
  # FIFOs, links, modes, signals and folders deeper than PATH_MAX.
  fs/hostile_files_test.cpp
  fs/not_regular_files_test.cpp
  fs/failure_reasons_test.cpp
  fs/signals_test.cpp
  # setup.ini memory under an address-space limit (RLIMIT_AS).
  settings/ini_limits_test.cpp
)
foreach(name ${ICN_POSIX_ONLY_TESTS})
  # A file moved or renamed would otherwise be built for Windows unnoticed.
  if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${name})
    message(FATAL_ERROR "tests/WindowsTests.cmake: no test file ${name}")
  endif()
  list(REMOVE_ITEM ICN_TEST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${name})
endforeach()

# Single tests left out, each with its reason; they become a negative
# --gtest_filter of the test discovery.
set(ICN_SKIPPED_TEST_CASES
  # A file-size limit (RLIMIT_FSIZE) set in the child between fork and exec.
  PackDataSafety.AFullDiskLeavesTheOldArchiveWhole
  # A full disk made by a file-size limit set between fork and exec.
  DiskFull.UnpackingStopsWithAnErrorBoxAndReplacesNothingHalfway
  DiskFull.PackingLeavesTheOldArchiveByteIdentical
  # Removing the child's current folder between fork and exec.
  UnpackerCommandLine.CopyExeFailuresSayWhy
  # /dev/full and a closed stdout, set up between fork and exec.
  UnpackerCommandLine.AFullOrClosedConsoleIsAFailure
  PackerCommandLine.AFullConsoleIsAFailure
  # An environment variable set in the child between fork and exec.
  PixelBound.TheEnvironmentVariableMovesTheBound
  SheetCli.TheEnvironmentVariableMovesTheGifsBound
  # Only POSIX copies the palette along with ":copyexe".
  UnpackerCommandLine.CopyExeTakesThePaletteAlong)

if(CMAKE_CROSSCOMPILING_EMULATOR MATCHES "wine")
  # Under Wine only: creating a file makes Wine read its whole folder (it
  # looks for a name that differs only in case), so filling one folder with
  # over 10000 bitmaps takes minutes (measured: 1000 files 3 s, 4000 files
  # 22 s). Windows itself creates them in linear time; there these run.
  list(APPEND ICN_SKIPPED_TEST_CASES
    FrameFolderExport.NamesPastNineThousandNineHundredNinetyNine
    PackFrameFolder.OnlyBitmapFilesInNaturalOrderAreFrames)
endif()
list(JOIN ICN_SKIPPED_TEST_CASES ":" ICN_SKIPPED_FILTER)
if(ICN_SKIPPED_FILTER)
  set(ICN_DISCOVERY_OPTIONS TEST_FILTER "-${ICN_SKIPPED_FILTER}")
endif()

function(icnkit_windows_test_settings target)
  # The POSIX calls of the shared tests, mapped (see win32/PosixShim.h).
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/win32)
  target_compile_options(${target} PRIVATE -include ${CMAKE_CURRENT_SOURCE_DIR}/win32/PosixShim.h)
endfunction()
