# GoogleTest for a cross build, compiled from Debian's source package
# (libgtest-dev puts it in /usr/src/googletest). Provides GTest::gtest and
# GTest::gtest_main as find_package(GTest) would.
set(ICNKIT_GTEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest source folder")
if(NOT EXISTS ${ICNKIT_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest source not found in ${ICNKIT_GTEST_SOURCE}: "
                      "install libgtest-dev or set ICNKIT_GTEST_SOURCE")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${ICNKIT_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
