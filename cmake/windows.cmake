# Settings for every Windows build of Pelorin, with the toolchain file or a
# plain -DCMAKE_SYSTEM_NAME=Windows cross-configure.

# One self-contained pelorin.exe: the C and C++ runtimes and winpthread are
# linked in, so it needs no DLL beyond the system's own.
add_link_options(-static -static-libgcc -static-libstdc++)
# The wide API is the only one the Win32 layer calls; UNICODE makes any
# accidental use of a plain name pick the wide one too.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

if(BUILD_TESTING AND CMAKE_CROSSCOMPILING)
  # No MinGW GoogleTest comes prebuilt: build it from Debian's sources.
  set(PELORIN_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
      "GoogleTest sources to build for the target")
  if(NOT EXISTS ${PELORIN_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in "
            "${PELORIN_GOOGLETEST_SOURCE}: install Debian's googletest package "
            "or set PELORIN_GOOGLETEST_SOURCE")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${PELORIN_GOOGLETEST_SOURCE}
                   ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)  # older releases name it gtest_main only
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  # Listing the tests needs Wine: do it when CTest runs, not at build time.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()
