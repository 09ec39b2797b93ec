# GoogleTest built from Debian's googletest sources (/usr/src/googletest), for the
# Windows cross build: the installed libgtest is built for Linux. Gives the same
# target names as find_package(GTest) (GTest::gtest, GTest::gtest_main).
set(MORVANE_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
if(NOT EXISTS "${MORVANE_GOOGLETEST_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR "No GoogleTest sources in ${MORVANE_GOOGLETEST_SOURCE}: "
                      "install Debian's googletest package (scripts/deps.sh)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory("${MORVANE_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

# The test binaries run under the emulator only when ctest runs them, not at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
