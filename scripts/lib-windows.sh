# Shared by scripts/test-windows and scripts/bench win32: the cross-build for
# Windows, a Wine prefix of its own, an X display for the window, and the board
# simulator built for this machine. Source after lib.sh. Everything goes into
# build-windows/ (the prefix and the screenshots too), or $TARNWICK_WINDOWS_BUILD.
# shellcheck shell=bash

OUT=${TARNWICK_WINDOWS_BUILD:-$TOP/build-windows}
TOOLCHAIN=$TOP/cmake/mingw-w64-x86_64.cmake

# The board simulator for the window's runs is built for this machine (g++,
# pkg-config, libudev-dev, libtelnet-dev); Xvfb, xdotool and ImageMagick drive and
# photograph the window; srecord checks the board's flash; fonts-wine gives Wine
# the system's dialog font (Tahoma), at whose size the window's controls are drawn;
# dpkg-dev unpacks Debian's source of cpp-httplib, which the Windows flasher compiles.
WINDOWS_PACKAGES=(cmake ninja-build python3 g++-mingw-w64-x86-64 wine wine64 googletest
  nlohmann-json3-dev g++ pkg-config libudev-dev libtelnet-dev xvfb xdotool imagemagick srecord
  fonts-wine dpkg-dev)

# Wine: a prefix of our own, quiet, no Mono or Gecko installs; winemenubuilder
# off, so Wine makes no menu entries or folders in HOME.
export WINEPREFIX=$OUT/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

xvfb=""

windows_tools_ready() {
  ensure_packages "${WINDOWS_PACKAGES[@]}"
  local tool
  for tool in wine wineserver x86_64-w64-mingw32-g++-posix; do
    command -v "$tool" >/dev/null || { echo "$tool is installed but not on PATH" >&2; exit 1; }
  done
  mkdir -p "$OUT"
}

# Makes the prefix; false when Wine cannot start on this machine.
prepare_wine_prefix() {
  # A server left running (persistent) by an earlier run would keep -w waiting.
  wineserver -k 2>/dev/null || true
  { wineboot -i && wineserver -w; } >"$OUT/wineboot.log" 2>&1 || return 1
  # Debian's Wine finds its own fonts only in the prefix: the dialog font the
  # window asks for ("MS Shell Dlg 2", which is Tahoma) would otherwise be drawn
  # in a wider face, and captions would not fit their designed boxes.
  local font
  for font in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
    [ -f "$font" ] && cp -u "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  return 0
}

# Starts Xvfb on the first free display from :91 (or $TARNWICK_WINDOWS_DISPLAY)
# and exports DISPLAY; its process id is in $xvfb, for the caller to end.
start_display() {
  local n
  for n in ${TARNWICK_WINDOWS_DISPLAY:-} 91 92 93 94 95 96 97 98 99; do
    n=${n#:}
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$OUT/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$xvfb" 2>/dev/null || break
      sleep 0.1
    done
    kill "$xvfb" 2>/dev/null || true
    xvfb=""
  done
  echo "no X display could be started (see $OUT/xvfb.log)" >&2
  return 1
}

# $OUT/host/bin/tarnwick-boardsim
build_host_boardsim() {
  cmake -S "$TOP" -B "$OUT/host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARNWICK_BUILD_UI=OFF -DTARNWICK_BUILD_TESTS=OFF -DTARNWICK_WERROR=ON >/dev/null
  cmake --build "$OUT/host" -j "$JOBS" --target tarnwick-boardsim
}

build_windows_gtest() {
  [ -f "$OUT/gtest/lib/cmake/GTest/GTestConfig.cmake" ] && return 0
  cmake -S /usr/src/googletest -B "$OUT/googletest" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$OUT/gtest" \
    >/dev/null
  cmake --build "$OUT/googletest" -j "$JOBS" >/dev/null
  cmake --install "$OUT/googletest" >/dev/null
}

# cross_build [TARGET...]: configures $OUT/tarnwick and builds the targets (all
# when none are named). Test discovery may run test programs under Wine while
# building: the same prefix and server as the tests.
cross_build() {
  cmake -S "$TOP" -B "$OUT/tarnwick" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v wine)" \
    -DGTest_DIR="$OUT/gtest/lib/cmake/GTest" -DTARNWICK_BUILD_UI=OFF -DTARNWICK_BUILD_TOOLS=OFF \
    -DTARNWICK_WERROR=ON -DTARNWICK_HOST_BOARDSIM="$OUT/host/bin/tarnwick-boardsim" \
    -DTARNWICK_SCREENSHOT_DIR="$OUT/screenshots" \
    -DTARNWICK_HTTPLIB_DIR="$(debian_source cpp-httplib "$OUT/sources")" \
    >/dev/null
  local targets=()
  local target
  for target in "$@"; do targets+=(--target "$target"); done
  cmake --build "$OUT/tarnwick" -j "$JOBS" "${targets[@]}"
}
