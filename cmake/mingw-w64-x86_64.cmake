# Cross-building for 64-bit Windows with Debian's mingw-w64 (posix threads).
#
# The libraries the program needs are looked for only in the prefix named by the
# environment variable VELTRUNE_WIN_PREFIX (scripts/build-windows fills it) and in
# the cross compiler's own tree, through their CMake package files. Test programs
# run under Wine (scripts/wine).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(DEFINED ENV{VELTRUNE_WIN_PREFIX})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{VELTRUNE_WIN_PREFIX})
  set(CMAKE_PREFIX_PATH $ENV{VELTRUNE_WIN_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine)
# Test lists are read when the tests run (under Wine), not while building.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
