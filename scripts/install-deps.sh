#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the show and the tests need and is missing.
# Safe to run again: it does nothing when everything is there.
# Usage: scripts/install-deps.sh [--show]
#   --show  only what the show, its build and its plain test suite need (scripts/run-show.sh and
#           scripts/run-tests.sh --quick); without it also the fuzzing, benchmark, release and web tools.
set -euo pipefail

# The show, its build (the generators' fonts included) and the plain suite: GoogleTest, Mesa's
# software rasteriser, Xvfb and xdotool for the real executable, ffmpeg for the capture's video.
SHOW_PACKAGES=(
  build-essential cmake pkg-config python3
  libsdl2-dev libmodplug-dev libstb-dev python3-glad
  libgtest-dev googletest
  libgl1-mesa-dri libegl1 libegl-mesa0 libgles2
  xvfb xauth xdotool
  ffmpeg
  fonts-dejavu-core fonts-league-spartan fonts-kaushanscript
)
EXTRA_PACKAGES=(
  # The benchmarks, the soundtrack's measurements, and clang for the fuzzers.
  libbenchmark-dev libtinyobjloader-dev sox python3-numpy
  clang libclang-rt-14-dev
  # Release builds: the Windows cross compilers, Wine and a window manager to run the result
  # headless, and the headers SDL needs to build its X11, Wayland, ALSA and PulseAudio back-ends.
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 ninja-build wine wine64 openbox imagemagick zip unzip
  libx11-dev libxext-dev libxrandr-dev libxcursor-dev libxi-dev libxfixes-dev libxss-dev libxxf86vm-dev
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev libegl-dev libgl-dev libdecor-0-dev
  libasound2-dev libpulse-dev libdbus-1-dev libibus-1.0-dev
  # The web build: Emscripten, and Chromium to test it headless.
  emscripten chromium
)

case "${1:-}" in
  --show) packages=("${SHOW_PACKAGES[@]}") ;;
  "") packages=("${SHOW_PACKAGES[@]}" "${EXTRA_PACKAGES[@]}") ;;
  *)
    echo "usage: scripts/install-deps.sh [--show]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
