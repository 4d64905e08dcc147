#!/usr/bin/env bash
# Tests the release archives the way a viewer runs them, headless: each archive is unpacked into a
# scratch folder and the show is started from another folder on its own Xvfb screen with openbox,
# the Windows build under Wine. A short test module replaces the real one.
# Usage: test-archives.sh RELEASE_DIR HOST_BUILD_DIR
#   RELEASE_DIR     where scripts/build-release.sh left the archives (and the Windows unit tests)
#   HOST_BUILD_DIR  a native build holding tests/write_test_module
# Screenshots at 1280 x 1024 are left in RELEASE_DIR/test/.
set -uo pipefail
release="$(cd "$1" && pwd)"
host="$(cd "$2" && pwd)"
NAME="kavex-velmora-1.0"
TITLE="Kavex Demo 2024 Velmora"
scratch="$release/test"
rm -rf "$scratch"
mkdir -p "$scratch"
failures=0
# Mesa's shader cache and anything else a program caches stay in the build folder.
export XDG_CACHE_HOME="$scratch/cache"

EXPECTED_LINES="$(
  cat <<'EOF'
Adding Shader: TextureMatrix2D (first request)
Adding Shader: TextureMatrix3D (first request)
Adding Shader: Color2D (first request)
Adding Shader: palms_Kavex (first request)
Adding Shader: city (first request)
Adding Shader: road (first request)
Adding Shader: jail_tunnel (first request)
Adding Texture Graphic Assets/beach.jpg (first request)
Adding Texture Graphic Assets/streets.jpg (first request)
Adding Texture Graphic Assets/BGVapor.jpg (first request)
Adding Texture Graphic Assets/city.png (first request)
Adding Shader: PlaneMusic (first request)
Adding Texture Graphic Assets/heightmap.png (first request)
Adding Mesh: Assets/flamingo.obj (first request)
Adding Texture Graphic Assets/flamingo_tex.png (first request)
Adding Mesh: Assets/plane.obj (first request)
Adding Mesh: Assets/windsurf.obj (first request)
Adding Texture Graphic Assets/windsurf_tex.png (first request)
Adding Texture Graphic Assets/Kavex_Vice_6c.png (first request)
Adding Texture Graphic Assets/credits_text.png (first request)
Adding Texture Graphic Assets/papagayo_6c.png (first request)
Adding Texture Graphic Assets/opening.png (first request)
Adding Texture Graphic Assets/lyrics.png (first request)
Adding Texture Graphic Assets/greets.png (first request)
EOF
)"

pass() { echo "  ok    $*"; }
fail() {
  echo "  FAIL  $*"
  failures=$((failures + 1))
}

# Xvfb on a free display with openbox, which gives a full-screen window the screen's size.
xvfb_pid=""
openbox_pid=""
stop_display() {
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null && wait "$openbox_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
  openbox_pid=""
}
start_display() {  # WxH
  stop_display
  rm -f "$scratch/display"
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$scratch/display")"
  openbox >/dev/null 2>&1 &
  openbox_pid=$!
  sleep 1
}
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  stop_display
}
trap cleanup EXIT

# The show's console lines on standard error, without Wine's own ALSA probing.
show_errors() { grep -v '^ALSA lib ' "$1" || true; }

# Runs the show once. Arguments: log name, escape (yes/no), environment pairs...
# Sets `code`; the output lies in $scratch/<name>.out and .err.
runner=()
exe=""
run_show() {
  local name="$1" escape="$2"
  shift 2
  local out="$scratch/$name.out" err="$scratch/$name.err"
  # Started from a folder without Assets: the show has to find its own. No input: a "pause"
  # would never end, so it must not happen.
  (cd "$scratch" && exec env "$@" timeout -s KILL 120 "${runner[@]}" "$exe" </dev/null >"$out" 2>"$err") &
  local pid=$!
  if [ "$escape" = yes ]; then
    # The window opens before the assets load (and, under Wine, before a few seconds of looking
    # for a sound card): wait for the first picture, then look at a scene for two seconds.
    if timeout 60 xdotool search --sync --onlyvisible --name "$TITLE" >/dev/null 2>&1; then
      for _ in $(seq 60); do
        import -window root "$scratch/$name.png" 2>/dev/null
        [ "$(convert "$scratch/$name.png" -format '%[max]' info: 2>/dev/null)" != 0 ] && break
        sleep 0.5
      done
      sleep 2
      import -window root "$scratch/$name.png" 2>/dev/null
      timeout 10 xdotool search --onlyvisible --name "$TITLE" windowfocus --sync key Escape >/dev/null 2>&1 ||
        xdotool key Escape
    fi
  fi
  wait "$pid"
  code=$?
  # Windows writes its console lines with carriage returns.
  sed -i 's/\r$//' "$out" "$err"
}

write_module() {  # rows per order
  "$host/tests/write_test_module" "$show_dir/Assets/ondaris.mod" "$1" || fail "writing the test module"
}

# The black bars of a 16:9 picture on a 1280 x 1024 screen are 152 rows high.
check_letterbox() {  # screenshot
  local top middle
  top="$(convert "$1" -crop 1280x140+0+6 +repage -format '%[max]' info: 2>/dev/null)"
  middle="$(convert "$1" -crop 1280x700+0+162 +repage -format '%[fx:int(mean*1000)]' info: 2>/dev/null)"
  if [ "$top" = 0 ] && [ -n "$middle" ] && [ "$middle" -gt 10 ]; then
    pass "1280 x 1024: black bars above the picture, a picture between them ($1)"
  else
    fail "1280 x 1024 screenshot $1: top bar max '$top', picture mean '$middle'/1000"
  fi
}

test_show() {  # platform
  local platform="$1"
  echo "-- $platform: a successful play"
  start_display 1920x1080
  write_module 2
  run_show "$platform-play" no SDL_AUDIODRIVER=dummy SDL_VIDEO_X11_FORCE_EGL=1
  [ "$code" -eq 0 ] && pass "played to its end, exit code 0" || fail "play ended with exit code $code"
  if [ "$(grep '^Adding' "$scratch/$platform-play.out")" = "$EXPECTED_LINES" ]; then
    pass "the 24 start-up lines, in order"
  else
    fail "start-up lines differ:"
    diff <(echo "$EXPECTED_LINES") <(grep '^Adding' "$scratch/$platform-play.out")
  fi
  local errors
  errors="$(show_errors "$scratch/$platform-play.err")"
  [ -z "$errors" ] && pass "nothing on standard error" || fail "standard error: $errors"

  echo "-- $platform: Escape during a scene, no audio driver named, 1280 x 1024"
  start_display 1280x1024
  write_module 64
  run_show "$platform-escape" yes SDL_VIDEO_X11_FORCE_EGL=1
  [ "$code" -eq 0 ] && pass "Escape ended it with exit code 0" || fail "Escape run ended with exit code $code"
  errors="$(show_errors "$scratch/$platform-escape.err")"
  if [ "$(echo "$errors" | wc -l)" -eq 1 ] && [[ "$errors" == "No audio output ("*"): the show plays silently" ]]; then
    pass "standard error holds the no-audio-device line only: $errors"
  else
    fail "standard error: $errors"
  fi
  if [ -f "$scratch/$platform-escape.png" ]; then
    check_letterbox "$scratch/$platform-escape.png"
  else
    fail "no window to take a screenshot of"
  fi

  echo "-- $platform: failures"
  start_display 1920x1080
  write_module 2
  mv "$show_dir/Assets/ondaris.mod" "$scratch/ondaris.mod"
  run_show "$platform-no-module" no SDL_AUDIODRIVER=dummy SDL_VIDEO_X11_FORCE_EGL=1
  mv "$scratch/ondaris.mod" "$show_dir/Assets/ondaris.mod"
  errors="$(show_errors "$scratch/$platform-no-module.err")"
  if [ "$code" -eq 1 ] && [ "$errors" = "Cannot open the music module Assets/ondaris.mod" ]; then
    pass "missing module: exit code 1 and '$errors'"
  else
    fail "missing module: exit code $code, standard error '$errors'"
  fi

  mv "$show_dir/Assets/greets.png" "$scratch/greets.png"
  run_show "$platform-no-greets" no SDL_AUDIODRIVER=dummy SDL_VIDEO_X11_FORCE_EGL=1
  mv "$scratch/greets.png" "$show_dir/Assets/greets.png"
  errors="$(show_errors "$scratch/$platform-no-greets.err")"
  if [ "$code" -eq 1 ] && [ "$errors" = "$(printf 'Error when loading image: Assets/greets.png: stbi_load ERROR.\n    Assets/greets.png: can'"'"'t fopen')" ]; then
    pass "missing Assets/greets.png: exit code 1 and '$(echo "$errors" | tr '\n' ' ')', no pause"
  else
    fail "missing Assets/greets.png: exit code $code, standard error '$errors'"
  fi
  stop_display
}

check_contents() {  # folder, executable name
  local missing=""
  for file in "$2" README.txt Assets/ondaris.mod Assets/greets.png Assets/flamingo.obj \
    Assets/Shaders/city.fragment licences/SDL2-LICENSE.txt licences/libmodplug-COPYING.txt; do
    [ -f "$1/$file" ] || missing="$missing $file"
  done
  [ -z "$missing" ] && pass "archive holds the executable, README.txt, Assets and licences" ||
    fail "archive lacks:$missing"
}

# The viewers' README reads in Notepad and in an 80-column terminal: ASCII, no line over 78
# columns, and carriage returns in the Windows archive only (old Notepad shows a text without them
# as one line).
check_readme() {  # folder, crlf or lf
  local text="$1/README.txt" lines ended_cr expected=0 wide
  lines="$(wc -l <"$text")"
  ended_cr="$(grep -c $'\r$' "$text")"
  [ "$2" = crlf ] && expected="$lines"
  wide="$(tr -d '\r' <"$text" | LC_ALL=C grep -c -e '[^ -~]' -e '^.\{79\}')"
  if [ "$lines" -gt 0 ] && [ "$ended_cr" -eq "$expected" ] && [ "$wide" -eq 0 ]; then
    pass "README.txt: $lines lines of ASCII within 78 columns, $2 line ends"
  else
    fail "README.txt: $ended_cr of $lines lines end in a carriage return (wanted $2), $wide too wide or not ASCII"
  fi
}

echo "== Windows archive under Wine"
show_dir="$scratch/windows/$NAME-windows-x86_64"
mkdir -p "$scratch/windows"
unzip -q "$release/$NAME-windows-x86_64.zip" -d "$scratch/windows"
exe="$show_dir/kavex_velmora.exe"
check_contents "$show_dir" kavex_velmora.exe
check_readme "$show_dir" crlf
dlls="$(find "$scratch/windows" -iname '*.dll')"
[ -z "$dlls" ] && pass "no DLL in the archive" || fail "DLLs in the archive: $dlls"
imports="$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')"
if ! echo "$imports" | grep -qi 'KERNEL32.dll' || echo "$imports" | grep -qiE 'sdl|modplug|stdc\+\+|libgcc|winpthread|stb'; then
  fail "the executable imports a library that is not part of Windows, or none: $imports"
else
  pass "imports only Windows' own DLLs: $imports"
fi

# A private Wine prefix inside the build folder, made once; one Wine server for every run.
export WINEPREFIX="$release/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
start_display 1920x1080
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot -i >/dev/null 2>&1
fi
wineserver -p
runner=(wine)
test_show windows

echo "-- windows: GL-free unit tests (timing, timeline, math, OBJ parser) under Wine"
if [ -f "$release/windows/show/tests/portable_tests.exe" ]; then
  # From drive C:, as on Windows, so a path that only exists on Linux ("/tmp") fails there too,
  # beside the show's meshes, which the OBJ tests read.
  unit_dir="$WINEPREFIX/drive_c/unit-tests"
  rm -rf "$unit_dir"
  mkdir -p "$unit_dir/Assets"
  cp "$show_dir"/Assets/*.obj "$unit_dir/Assets/"
  (cd "$unit_dir" && timeout -s KILL 120 wine "$release/windows/show/tests/portable_tests.exe" </dev/null \
    >"$scratch/windows-unit.out" 2>&1)
  code=$?
  summary="$(grep -E '^\[  PASSED  \]|tests? ran' "$scratch/windows-unit.out" | tr '\n' ' ')"
  if [ "$code" -eq 0 ] && grep -q '^\[  PASSED  \]' "$scratch/windows-unit.out"; then
    pass "$summary"
  else
    fail "unit tests under Wine (exit code $code):"
    grep -E '^\[  FAILED  \]|Failure|error' "$scratch/windows-unit.out" | head -40
  fi
else
  fail "no Windows unit tests; build the release with --windows-tests"
fi
wineserver -k
unset WINEPREFIX

echo "== Linux archive"
show_dir="$scratch/linux/$NAME-linux-x86_64"
mkdir -p "$scratch/linux"
tar -xzf "$release/$NAME-linux-x86_64.tar.gz" -C "$scratch/linux"
exe="$show_dir/kavex_velmora"
check_contents "$show_dir" kavex_velmora
check_readme "$show_dir" lf
needed="$(readelf -d "$exe" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | tr '\n' ' ')"
if [ -n "$needed" ] && [ -z "$(echo "$needed" | tr ' ' '\n' |
  grep -vE '^$|^(libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0|ld-linux-x86-64\.so\.2)$')" ]; then
  pass "needs only the C library's shared objects: $needed"
else
  fail "needs other shared libraries: $needed"
fi
runner=()
test_show linux

if [ "$failures" -gt 0 ]; then
  echo "Release archive tests: $failures failed (outputs in $scratch)"
  exit 1
fi
echo "Release archive tests: all passed"
