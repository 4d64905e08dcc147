#!/usr/bin/env bash
# Installs what is missing, builds, and runs the show from the build folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh" --show
"$root/scripts/build.sh" "$root/build"
cd "$root/build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "The show needs a display, and none was found (DISPLAY and WAYLAND_DISPLAY are unset)."
  echo "Rendering the show offline instead: a contact sheet with a thumbnail per order position."
  echo "This runs the whole show on the software rasteriser and takes several minutes."
  ./kavex_capture --size 640x360 --contact-sheet contact_sheet.png
  echo "Contact sheet written to $root/build/contact_sheet.png"
  echo "For a video with sound: cd $root/build && ./kavex_capture --video velmora.mp4 (see README.md)."
  exit 0
fi
exec ./kavex_velmora
