# Cross-builds Pelorin for 64-bit Windows with MinGW-w64 (the POSIX thread
# flavour, whose C++ runtime has std::thread and std::mutex):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# Tests then run under Wine, which CTest starts for each of them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PELORIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PELORIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELORIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PELORIN_MINGW_TRIPLET}-windres)

# Headers and libraries come from the MinGW tree only, tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${PELORIN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(PELORIN_WINE NAMES wine wine64)
if(PELORIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PELORIN_WINE})
endif()
