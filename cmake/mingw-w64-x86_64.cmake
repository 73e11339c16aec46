# Cross-builds the serial link, the download handlers and their tests as
# 64-bit Windows programs with Debian's mingw-w64 (g++-mingw-w64-x86-64).
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTARNWICK_BUILD_UI=OFF -DTARNWICK_BUILD_TOOLS=OFF -DGTest_DIR=<gtest>/lib/cmake/GTest
#
# GoogleTest must be built by this same toolchain (scripts/test-windows builds
# it from /usr/src/googletest); the Linux libgtest of the host cannot be linked.
#
# Traps:
#   - The -posix compilers are required: the default mingw thread model has no
#     std::mutex, which GoogleTest needs.
#   - Programs are linked statically, so Wine (or a Windows machine) runs them
#     without the mingw runtime DLLs beside them.
#   - When wine is on PATH it becomes the emulator, so ctest and GoogleTest's
#     test discovery run the Windows programs on this machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNWICK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNWICK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWICK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWICK_MINGW_TRIPLE}-windres)

# Libraries and packages only from the cross tree (and prefixes given on the
# command line); build tools from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(TARNWICK_WINE wine)
  if(TARNWICK_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNWICK_WINE})
  endif()
endif()
