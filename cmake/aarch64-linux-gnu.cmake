# Cross-builds everything (the window, the flasher, the simulator and the
# tests) for 64-bit ARM Linux with Debian's cross toolchain
# (crossbuild-essential-arm64) against the :arm64 development packages that
# multiarch installs beside the host's (scripts/test-arm64 installs them).
#
#   cmake -S . -B build-arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
#
# Traps:
#   - Qt's moc, uic and rcc must be the host's (qt6-base-dev-tools stays amd64):
#     Qt's CMake files look for them under QT_HOST_PATH when cross-building.
#   - pkg-config must read the arm64 .pc files only, or it hands out the
#     host's libraries.
#   - qemu's user-mode emulator runs the arm64 programs on this machine, so
#     ctest and GoogleTest's test discovery can run them; programs that a test
#     starts itself run through the kernel's binfmt_misc entry for arm64
#     (binfmt-support, `update-binfmts --enable qemu-aarch64`).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(TARNWICK_CROSS_TRIPLE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${TARNWICK_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TARNWICK_CROSS_TRIPLE}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${TARNWICK_CROSS_TRIPLE})

# Multiarch has no separate root: libraries and headers come from /usr, and
# CMake picks the lib/aarch64-linux-gnu folders by the architecture above.
# Build tools come from the host.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${TARNWICK_CROSS_TRIPLE}/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

set(QT_HOST_PATH /usr CACHE PATH "Where the host's Qt tools are")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH
  "Where the host's Qt tool packages are")

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(TARNWICK_QEMU_AARCH64 qemu-aarch64-static)
  if(TARNWICK_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNWICK_QEMU_AARCH64})
  endif()
endif()
