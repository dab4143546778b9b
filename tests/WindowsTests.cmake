# Test files left out of the Windows build: they test what only POSIX has.
set(ICN_POSIX_ONLY_TESTS
)
foreach(name ${ICN_POSIX_ONLY_TESTS})
  list(REMOVE_ITEM ICN_TEST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${name})
endforeach()
