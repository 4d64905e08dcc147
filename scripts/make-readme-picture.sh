#!/usr/bin/env bash
# Makes the README's picture, docs/velmora.jpg: three stills of the show side by side, rendered by
# the capture tool of a build (build/ or the folder given) and joined by ffmpeg. Run it again after
# a change to the scenes' pictures and commit the result; the same build gives the same bytes.
# Usage: scripts/make-readme-picture.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
picture="$root/docs/velmora.jpg"

# The logo over the wireframe sea with both flamingos, the road between the palms at sunset with a
# credit, and the parrot over the city at night.
moments=(5:40 10:30 23:50)
# Rendered at twice the size shown and scaled down by area, so the wireframe's thin lines stay smooth.
render_size=960x540
shown_size=480:270

if [ ! -x "$build/kavex_capture" ]; then
  echo "No $build/kavex_capture: build first (scripts/build.sh)." >&2
  exit 1
fi
work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-picture-XXXXXX")"
trap 'rm -rf "$work"' EXIT

stills=()
inputs=()
for moment in "${moments[@]}"; do
  stills+=(--still "$moment")
  inputs+=(-i "$work/still_${moment/:/-}.png")
done
# The capture runs from the build folder, where Assets/ lies.
(cd "$build" && ./kavex_capture --quiet --size "$render_size" --still-prefix "$work/still_" "${stills[@]}" >/dev/null)

filter=""
for index in "${!moments[@]}"; do
  filter+="[$index:v]scale=$shown_size:flags=area[s$index];"
done
for index in "${!moments[@]}"; do
  filter+="[s$index]"
done
filter+="hstack=inputs=${#moments[@]}"
ffmpeg -loglevel error -y "${inputs[@]}" -filter_complex "$filter" -frames:v 1 -q:v 3 \
  -map_metadata -1 -bitexact "$work/strip.jpg"
mv "$work/strip.jpg" "$picture"
echo "Wrote $picture ($(stat -c %s "$picture") bytes) from the stills at ${moments[*]}."
