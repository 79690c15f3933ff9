#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. Without a display
# the program runs under a virtual X server (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 0700 "$XDG_RUNTIME_DIR"
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$BUILD_DIR/bin/vornhelm" "$@"
else
  echo "No display found: starting Vornhelm under Xvfb (xvfb-run -a)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/bin/vornhelm" "$@"
fi
