#!/usr/bin/env bash
# Builds the OBJ parser fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer),
# writes the seed corpus and fuzzes for a bounded time. Fails on any crash, leak, timeout or
# sanitizer report. Usage: fuzz/run-fuzz.sh [BUILD_DIR] [SECONDS]   (defaults: build-fuzz, 60)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${1:-$root/build-fuzz}")"
seconds="${2:-60}"

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)"

seeds="$build/seeds"
corpus="$build/corpus"  # what the fuzzer finds; kept between runs of the same folder
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus" "$build/findings"
"$build/obj_seeds" "$seeds"

echo "== Fuzzing the OBJ parser for ${seconds} s"
cd "$build/findings"
"$build/obj_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
  -dict="$root/fuzz/obj.dict" -print_final_stats=1 "$corpus" "$seeds"
