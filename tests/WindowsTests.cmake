# The Windows side of the test build (included by tests/CMakeLists.txt).

# Test files left out: they test what only POSIX has.
set(ICN_POSIX_ONLY_TESTS
)
foreach(name ${ICN_POSIX_ONLY_TESTS})
  list(REMOVE_ITEM ICN_TEST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${name})
endforeach()

# Single tests left out, with the reason. The pattern is a negative
# --gtest_filter for the test discovery.
set(ICN_POSIX_ONLY_TEST_CASES
)
list(JOIN ICN_POSIX_ONLY_TEST_CASES ":" ICN_POSIX_ONLY_FILTER)
if(ICN_POSIX_ONLY_FILTER)
  set(ICN_DISCOVERY_OPTIONS TEST_FILTER "-${ICN_POSIX_ONLY_FILTER}")
endif()

function(icnkit_windows_test_settings target)
  # The POSIX calls of the shared tests, mapped (see win32/PosixShim.h).
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/win32)
  target_compile_options(${target} PRIVATE -include ${CMAKE_CURRENT_SOURCE_DIR}/win32/PosixShim.h)
endfunction()
