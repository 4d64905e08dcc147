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
sdl_source="$work/src/SDL2-2.32.10"
if [ ! -f "$prefix/lib/libmodplug.a" ] || [ ! -f "$sdl_source/include/SDL.h" ]; then
  (cd "$archives" && sha256sum --check --quiet SHA256SUMS) ||
    { echo "build-web: the archives in $archives do not match SHA256SUMS" >&2; exit 1; }
  rm -rf "$work/src" "$work/modplug" "$prefix"
  mkdir -p "$work/src"
  tar xzf "$archives/SDL2-2.32.10.tar.gz" -C "$work/src"
  tar xzf "$archives/libmodplug-0.8.9.1.tar.gz" -C "$work/src"

  emcmake cmake -S "$work/src/libmodplug-0.8.9.1" -B "$work/modplug" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF >/dev/null
  cmake --build "$work/modplug" -j "$jobs" >/dev/null
  cmake --install "$work/modplug" >/dev/null
fi

# SDL2 (from its source folder, web/Sdl2Sources.cmake) and the show itself (-O2, set in web/CMakeLists.txt).
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
emcmake cmake -S "$root/web" -B "$work/show" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
  -DSHOW_THIRDPARTY_PREFIX="$prefix" -DSHOW_SDL_SOURCE_DIR="$sdl_source" -DSHOW_ASSETS_DIR="$root/build/Assets" >/dev/null
cmake --build "$work/show" -j "$jobs" >/dev/null

rm -rf "$site"
mkdir -p "$site"
cp "$root/web/index.html" "$work/show/velmora.js" "$work/show/velmora.wasm" "$work/show/velmora.data" "$site/"
echo "build-web: $site ($(du -sh "$site" | cut -f1)); serve it, e.g. python3 -m http.server -d $site"
