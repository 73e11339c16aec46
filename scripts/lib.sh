# Shared by the scripts: the project's folder and the Debian packages it needs.
# shellcheck shell=bash
set -euo pipefail

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

# -h or --help anywhere among a script's arguments: its opening comment, which
# gives its usage, and nothing done. Every script sources this file first.
for arg in "$@"; do
  if [ "$arg" = --help ] || [ "$arg" = -h ]; then
    awk 'NR > 1 { if (!/^#/) exit; sub(/^# ?/, ""); print }' "$0"
    exit 0
  fi
done
unset arg

# ensure_packages PKG... installs what is missing (as root), or says what to run.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run:  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# debian_source PACKAGE DIR: unpacks Debian's source of PACKAGE (the release this
# machine's own package has, with Debian's patches) into DIR once, and prints its
# folder. The Windows build compiles what Debian builds for Linux only from it.
debian_source() {
  local pkg=$1 dir=$2 found
  found=$(find "$dir" -mindepth 1 -maxdepth 1 -type d -name "$pkg-*" 2>/dev/null | head -n 1 || true)
  if [ -z "$found" ]; then
    if ! apt-get source --print-uris "$pkg" >/dev/null 2>&1; then
      [ "$(id -u)" -eq 0 ] || { echo "Debian's source of $pkg is needed: add deb-src to apt's sources" >&2; exit 1; }
      if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
          >/etc/apt/sources.list.d/tarnwick-debian-src.sources
      else
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/tarnwick-debian-src.list
      fi
      apt-get update -qq
    fi
    mkdir -p "$dir"
    (cd "$dir" && apt-get source -qq "$pkg" >/dev/null 2>&1) || { echo "apt-get source $pkg failed" >&2; exit 1; }
    found=$(find "$dir" -mindepth 1 -maxdepth 1 -type d -name "$pkg-*" | head -n 1)
  fi
  echo "$found"
}

# libudev lists the system's serial ports and watches them come and go; nlohmann-json
# writes what machines read; libtelnet does the Telnet part of rfc2217:// ports; nettle
# gives the SHA-256 of the image in the station's record; cpp-httplib serves the
# station's page and metrics.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev fonts-dejavu-core libudev-dev nlohmann-json3-dev libtelnet-dev nettle-dev
  libcpp-httplib-dev)
# srec_cat checks the simulated board's flash against the HEX files independently; Xvfb,
# xdotool and ImageMagick run and photograph the real window as a person would use it;
# umockdev puts fake USB serial devices in place of /sys and /dev for the port list;
# python3-gi and gir1.2-umockdev-1.0 drive umockdev's testbed from Python, which plugs
# and pulls a fake board while udev's monitor watches (umockdev-run cannot);
# ser2net serves the simulated board on the loopback address for the network ports;
# Chromium, driven through chromedriver's WebDriver, and Prometheus look at a station's page
# and metrics as a line would.
TEST_PACKAGES=(srecord xvfb xauth xdotool imagemagick umockdev python3-gi gir1.2-umockdev-1.0
  ser2net chromium chromium-driver prometheus)
# scripts/package: man pages from the programs' --help (help2man), the package's
# dependencies from its binaries (dpkg-dev's dpkg-shlibdeps, which CPack runs, and
# the `file` command, with which CPack finds the binaries) and Debian's hardening
# flags (dpkg-buildflags); makensis (nsis), with which CPack makes the Windows installer.
PACKAGE_PACKAGES=(help2man dpkg-dev file nsis)
# Checks of the package with the tools distributions use: lintian, desktop-file-validate,
# appstreamcli; man-db finds the installed man pages. The Windows zip and installer:
# cross-built (g++-mingw-w64-x86-64, whose objdump lists each program's DLLs), tried
# under Wine (wine, wine64), the installed window on Xvfb, found with xdotool,
# photographed with ImageMagick, closed through its window manager protocol (python3-xlib).
# debootstrap makes the arm64 Debian root that the arm64 package is installed into.
PACKAGE_TEST_PACKAGES=(lintian desktop-file-utils appstream man-db g++-mingw-w64-x86-64 wine
  wine64 xvfb xauth xdotool imagemagick python3-xlib debootstrap)

# The arm64 cross-build (scripts/test-arm64, scripts/package): Debian's cross
# toolchain; qemu's user-mode emulator, with binfmt-support to register it with
# the kernel, so that the arm64 programs a test starts run too; and the build
# packages for arm64 beside the host's (multiarch). Qt's moc, uic and rcc stay
# the host's (qt6-base-dev-tools); the arm64 platform plugins draw the icons
# while building and run the window's tests offscreen.
ARM64_TOOL_PACKAGES=(crossbuild-essential-arm64 qemu-user-static binfmt-support)
ARM64_PACKAGES=(qt6-base-dev:arm64 qt6-qpa-plugins:arm64 libgl-dev:arm64 libgtest-dev:arm64
  libudev-dev:arm64 libtelnet-dev:arm64 nettle-dev:arm64 libcpp-httplib-dev:arm64)

# ensure_arm64: arm64 added to dpkg's architectures, its packages installed,
# and the kernel running arm64 programs through qemu (as root; else says what to run).
ensure_arm64() {
  ensure_packages "${BUILD_PACKAGES[@]}" "${ARM64_TOOL_PACKAGES[@]}"
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "arm64 is not among dpkg's architectures. Run:  sudo dpkg --add-architecture arm64" >&2
      exit 1
    fi
    dpkg --add-architecture arm64
    apt-get update -qq
  fi
  ensure_packages "${ARM64_PACKAGES[@]}"
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ]; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "The kernel does not run arm64 programs. Run:  sudo update-binfmts --enable qemu-aarch64" >&2
      exit 1
    fi
    update-binfmts --enable qemu-aarch64
  fi
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  cmake -S "$TOP" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_WERROR=ON "$@" \
    >/dev/null
  cmake --build "$dir" -j "$JOBS"
}
