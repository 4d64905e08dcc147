#!/usr/bin/env bash
# Installs what is missing, builds, and runs the show from the build folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "The show needs a display: no X11 or Wayland display was found (DISPLAY and WAYLAND_DISPLAY are unset)."
  echo "Run it from a desktop session."
  exit 1
fi
cd "$root/build"
exec ./kavex_velmora
