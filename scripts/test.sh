#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under CTest. The
# tests run under a virtual X server; most of them use Qt's offscreen
# platform, those that need a real X connection use the virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 0700 "$XDG_RUNTIME_DIR"
# Whatever the program keeps in the user's cache (a copy of its help
# collection) stays out of the user's own.
export XDG_CACHE_HOME=$(mktemp -d)
cd "$BUILD_DIR"
# A random first display number keeps test runs started side by side apart.
# Without -noreset the server resets whenever its last client leaves, and a
# test that connects during that reset finds no display.
xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j "$(nproc)" "$@"
