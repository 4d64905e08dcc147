#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer),
# writes their seed corpora and fuzzes each for a bounded time: the OBJ parser (obj), the texture
# loader's decode step (image) and the module loader with the mixing path (module). Fails on any
# crash, leak, timeout, sanitizer report or broken invariant, after running every target asked for.
# Usage: fuzz/run-fuzz.sh [BUILD_DIR] [SECONDS] [TARGET...]   (defaults: build-fuzz, 30, all three)
# FUZZ_MODPLUG_SOURCE=DIR (an unpacked libmodplug source) compiles libmodplug into the module
# fuzzer with AddressSanitizer and coverage instead of linking Debian's.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${1:-$root/build-fuzz}")"
seconds="${2:-30}"
shift $(($# < 2 ? $# : 2))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(obj image module)

cmake -S "$root/fuzz" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DFUZZ_MODPLUG_SOURCE="${FUZZ_MODPLUG_SOURCE:-}" >/dev/null
cmake --build "$build" -j "$(nproc)"

# What each target reads: the longest input worth mutating and its dictionary.
declare -A max_len=([obj]=4096 [image]=16384 [module]=32768)
declare -A about=([obj]="the OBJ parser" [image]="the image decode step" [module]="the module loader and mixer")

failed=()
for target in "${targets[@]}"; do
  if [ -z "${max_len[$target]:-}" ]; then
    echo "unknown fuzz target '$target' (obj, image or module)" >&2
    exit 2
  fi
  seeds="$build/seeds-$target"
  corpus="$build/corpus-$target"  # what the fuzzer finds; kept between runs of the same folder
  rm -rf "$seeds"
  mkdir -p "$seeds" "$corpus" "$build/findings-$target"
  "$build/${target}_seeds" "$seeds"

  echo "== Fuzzing ${about[$target]} for ${seconds} s"
  if ! (cd "$build/findings-$target" &&
    "$build/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len="${max_len[$target]}" -dict="$root/fuzz/$target.dict" -print_final_stats=1 "$corpus" "$seeds"); then
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]} (inputs under $build/findings-<target>)" >&2
  exit 1
fi
