#!/usr/bin/env bash
# The web build end to end: builds it (scripts/build-web.sh), then plays a short test module in
# headless Chromium, on the capture tool's fixed clock and on the real one, and compares the frames
# it holds with the capture tool's stills of the same frames (browser_test.py). Uses the native
# build in build/ (or $1) for the assets, the capture tool and the test module; run by the test command.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
out="$root/build-web/test"
started=$(date +%s)
# Chromium's profiles and its own temporary files, and the folder the page is served from, go
# into a folder of this run's, removed however the run ends.
web_tmp="$(mktemp -d --tmpdir kavex-web-XXXXXX)"
trap 'rm -rf "$web_tmp"' EXIT
export TMPDIR="$web_tmp"

"$root/scripts/build-web.sh" "$root/build-web/site"
built=$(date +%s)
cmake --build "$build" --target write_test_module kavex_capture -j "$(nproc)" >/dev/null
rm -rf "$out"
mkdir -p "$out"
# All 28 orders, 8 rows each: about 27 seconds, every scene.
"$build/tests/write_test_module" "$out/test.mod" 8
python3 "$root/tests/web/browser_test.py" "$root/build-web/site" "$build" "$out/test.mod" "$out"
echo "web stage: $((built - started)) s to build, $(($(date +%s) - built)) s in the browser"
