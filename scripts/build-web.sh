#!/usr/bin/env bash
# Builds the show for the browser (WebGL 2 and WebAudio through Debian's Emscripten) into a folder
# that any static web server can serve: build-web/site/ (or the folder given as $1).
# SDL2 and libmodplug are compiled from the checksummed archives in ../shared/thirdparty; everything
# built stays under build-web/. The assets come from the native build's generators (build/Assets).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
site="${1:-$root/build-web/site}"
work="$root/build-web"
archives="${DEMO_THIRDPARTY_DIR:-$root/../shared/thirdparty}"
jobs="$(nproc)"
# Emscripten's JavaScript optimizer needs Debian's acorn; never set EM_CACHE (its cache is frozen).
export NODE_PATH=/usr/share/nodejs

for tool in emcc emcmake; do
  command -v "$tool" >/dev/null || { echo "build-web: $tool is missing (scripts/install-deps.sh installs emscripten)" >&2; exit 1; }
done

# The generated module, images and meshes: only the asset targets of the native build.
if [ ! -f "$root/build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$root/build" >/dev/null
fi
cmake --build "$root/build" --target assets -j "$jobs" >/dev/null

prefix="$work/thirdparty"
if [ ! -f "$prefix/lib/libSDL2.a" ] || [ ! -f "$prefix/lib/libmodplug.a" ]; then
  (cd "$archives" && sha256sum --check --quiet SHA256SUMS) ||
    { echo "build-web: the archives in $archives do not match SHA256SUMS" >&2; exit 1; }
  rm -rf "$work/src"
  mkdir -p "$work/src"
  tar xzf "$archives/SDL2-2.32.10.tar.gz" -C "$work/src"
  tar xzf "$archives/libmodplug-0.8.9.1.tar.gz" -C "$work/src"

  # Only what the show uses: video (WebGL), audio (WebAudio), events and timers.
  CFLAGS="-include $root/web/EmJsDepsShim.h" emcmake cmake -S "$work/src/SDL2-2.32.10" -B "$work/sdl2" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_LOCALE=OFF \
    -DSDL_RENDER=OFF -DSDL_FILESYSTEM=OFF -DSDL_MISC=OFF -DSDL_LOADSO=OFF >/dev/null
  cmake --build "$work/sdl2" -j "$jobs" >/dev/null
  cmake --install "$work/sdl2" >/dev/null

  emcmake cmake -S "$work/src/libmodplug-0.8.9.1" -B "$work/modplug" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF >/dev/null
  cmake --build "$work/modplug" -j "$jobs" >/dev/null
  cmake --install "$work/modplug" >/dev/null
fi

# The show itself (-O2, set in web/CMakeLists.txt).
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
emcmake cmake -S "$root/web" -B "$work/show" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  -DSHOW_THIRDPARTY_PREFIX="$prefix" -DSHOW_ASSETS_DIR="$root/build/Assets" >/dev/null
cmake --build "$work/show" -j "$jobs" >/dev/null

rm -rf "$site"
mkdir -p "$site"
cp "$root/web/index.html" "$work/show/velmora.js" "$work/show/velmora.wasm" "$work/show/velmora.data" "$site/"
echo "build-web: $site ($(du -sh "$site" | cut -f1)); serve it, e.g. python3 -m http.server -d $site"
