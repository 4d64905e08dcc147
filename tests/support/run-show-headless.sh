#!/usr/bin/env bash
# Runs the show executable on its own virtual X server, as on a desktop without a GPU.
# Usage: run-show-headless.sh EXECUTABLE WORKDIR [--screen WxH] [--shot-after S FILE] [--resize-after S WxH]
#        [--escape-after S] [--term-after S] [--timeout S] [--stdout-closed] [-- SHOW ARGUMENTS]
# Each --shot-after and --resize-after waits S seconds after the one before it, in the order given:
# a shot writes the screen to FILE (PNG) and the show window's geometry to FILE.geometry
# (X=, Y=, WIDTH=, HEIGHT= lines); a resize sets the window's size. Escape and SIGTERM follow them.
# --stdout-closed starts the show with its standard output closed.
# Exits with the show's exit code (124 when it had to be killed after the timeout).
set -u
exe="$1"
workdir="$2"
shift 2
screen="1920x1080"
escape_after=""
term_after=""
timeout_s=120
stdout_closed=""
actions=()
while [ $# -gt 0 ]; do
  case "$1" in
    --shot-after) actions+=("shot" "$2" "$3"); shift 3 ;;
    --resize-after) actions+=("resize" "$2" "$3"); shift 3 ;;
    --) shift; break ;;
    --screen) screen="$2"; shift 2 ;;
    --escape-after) escape_after="$2"; shift 2 ;;
    --term-after) term_after="$2"; shift 2 ;;
    --timeout) timeout_s="$2"; shift 2 ;;
    --stdout-closed) stdout_closed=1; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

# Xvfb picks a free display itself and writes its number, so parallel runs never collide.
scratch="$(mktemp -d --tmpdir kavex-xvfb-XXXXXX)"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do
  [ -s "$scratch/display" ] && break
  sleep 0.1
done
if [ ! -s "$scratch/display" ]; then
  echo "Xvfb did not start: $(cat "$scratch/xvfb.log")" >&2
  exit 3
fi
export DISPLAY=":$(head -n 1 "$scratch/display")"

unset SDL_VIDEODRIVER
export SDL_VIDEO_X11_FORCE_EGL=1
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"

cd "$workdir" || exit 2
if [ -n "$stdout_closed" ]; then
  timeout -s KILL "$timeout_s" "$exe" "$@" >&- &
else
  timeout -s KILL "$timeout_s" "$exe" "$@" &
fi
pid=$!
show_window() {
  timeout 10 xdotool search --sync --onlyvisible --name "Kavex Demo 2024 Velmora" | head -n 1
}
set -- "${actions[@]}"
while [ $# -gt 0 ]; do
  sleep "$2"
  window="$(show_window)"
  case "$1" in
    shot)
      [ -n "$window" ] && xdotool getwindowgeometry --shell "$window" >"$3.geometry"
      ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size "$screen" -i "$DISPLAY" -frames:v 1 "$3" </dev/null ;;
    resize)
      [ -n "$window" ] && xdotool windowsize "$window" "${3%x*}" "${3#*x}" ;;
  esac
  shift 3
done
if [ -n "$escape_after" ]; then
  sleep "$escape_after"
  # The wait for the window is bounded: a show that ended early never opens one.
  timeout 10 xdotool search --sync --onlyvisible --name "Kavex Demo 2024 Velmora" windowfocus --sync key Escape \
    >/dev/null 2>&1 || xdotool key Escape
fi
if [ -n "$term_after" ]; then
  sleep "$term_after"
  pkill -TERM -P "$pid" 2>/dev/null || kill -TERM "$pid"
fi
wait "$pid"
code=$?
[ "$code" -eq 137 ] && code=124
exit "$code"
