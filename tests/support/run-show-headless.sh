#!/usr/bin/env bash
# Runs the show executable under a virtual X server, as on a desktop without a GPU.
# Usage: run-show-headless.sh EXECUTABLE WORKDIR [--screen WxH] [--escape-after S] [--term-after S] [--timeout S]
# Exits with the show's exit code (124 when it had to be killed after the timeout).
set -u
exe="$1"
workdir="$2"
shift 2
screen="1920x1080"
escape_after=""
term_after=""
timeout_s=120
while [ $# -gt 0 ]; do
  case "$1" in
    --screen) screen="$2"; shift 2 ;;
    --escape-after) escape_after="$2"; shift 2 ;;
    --term-after) term_after="$2"; shift 2 ;;
    --timeout) timeout_s="$2"; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

inner=$(cat <<'INNER'
cd "$WORKDIR" || exit 2
timeout -s KILL "$TIMEOUT_S" "$EXE" &
pid=$!
if [ -n "$ESCAPE_AFTER" ]; then
  sleep "$ESCAPE_AFTER"
  xdotool search --sync --onlyvisible --name "Kavex Demo 2024 Velmora" windowfocus --sync key Escape >/dev/null 2>&1 \
    || xdotool key Escape
fi
if [ -n "$TERM_AFTER" ]; then
  sleep "$TERM_AFTER"
  pkill -TERM -P "$pid" 2>/dev/null || kill -TERM "$pid"
fi
wait "$pid"
code=$?
[ "$code" -eq 137 ] && code=124
exit "$code"
INNER
)

unset SDL_VIDEODRIVER
export SDL_VIDEO_X11_FORCE_EGL=1
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export EXE="$exe" WORKDIR="$workdir" ESCAPE_AFTER="$escape_after" TERM_AFTER="$term_after" TIMEOUT_S="$timeout_s"
exec xvfb-run -a -s "-screen 0 ${screen}x24" bash -c "$inner"
