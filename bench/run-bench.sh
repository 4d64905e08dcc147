#!/usr/bin/env bash
# Builds the benchmarks and prints every number of the README's performance section.
# Usage: bench/run-bench.sh [BUILD_DIR]   (default: build-perf; configured with -DDEMO_BUILD_BENCH=ON)
# Benchmarks report; they do not fail on a missed target.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${1:-$root/build-perf}")"

cmake -S "$root" -B "$build" -DDEMO_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_obj bench_audio bench_frames bench_startup

export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
cd "$build"
echo "== OBJ parsing against tinyobjloader"
bench/bench_obj
echo "== Mixing one second of the module"
bench/bench_audio
echo "== Frame cost per scene at 1920 x 1080 and CPU work per frame"
bench/bench_frames
echo "== Start-up (five fresh processes; the pre-roll second is not part of it)"
for run in 1 2 3 4 5; do
  bench/bench_startup | grep '^startup_ms'
done
