#!/usr/bin/env bash
# Picture and sound in step, measured from outside the show: the real executable plays across each
# scene change (started with --start a little before it) on Xvfb at 640 x 360 with SDL's silent
# audio driver, with bench/avsync/AvLog.c preloaded to log its audio callbacks and buffer swaps;
# bench_av_sync then says when each new scene reached the screen against its downbeat.
# Usage: bench/run-av-sync.sh [BUILD_DIR] [RUNS] [SHOW_EXECUTABLE]
#   (default: build-perf, 3 runs at each change, the build's kavex_velmora; Linux only)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${1:-$root/build-perf}")"
runs="${2:-3}"
show="$(realpath -m "${3:-$build/kavex_velmora}")"

cmake -S "$root" -B "$build" -DDEMO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_av_sync avlog kavex_velmora >/dev/null

scratch="$(mktemp -d --tmpdir kavex-avsync-XXXXXX)"
trap 'rm -rf "$scratch"' EXIT
# The reference frames bench_av_sync renders, and the headless runs' own scratch, go in here too.
export TMPDIR="$scratch"
# The library goes into the show only, not into the X server and the tools around it.
cat >"$scratch/show" <<WRAPPER
#!/bin/sh
exec env LD_PRELOAD="$build/bench/libavlog.so" "$show" "\$@"
WRAPPER
chmod +x "$scratch/show"

export SDL_AUDIODRIVER=dummy
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for order in 5 8 15 17 23 25; do
  logs=()
  for run in $(seq "$runs"); do
    export AVLOG_FILE="$scratch/$order-$run.log"
    # Sixteen rows (about two seconds) before the change; the show is ended a while after it.
    "$root/tests/support/run-show-headless.sh" "$scratch/show" "$build" --screen 640x360 --term-after 12 \
      --timeout 90 -- --start "$((order - 1)):48" >"$scratch/$order-$run.out" 2>&1 || true
    logs+=("$AVLOG_FILE" "$scratch/$order-$run.out")
  done
  "$build/bench/bench_av_sync" "$order" 640x360 "${logs[@]}" | grep '^avsync' || true
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
