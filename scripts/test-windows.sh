#!/usr/bin/env bash
# Builds the Windows module and runs the Windows test program under Wine on a
# virtual X display.
#   usage: scripts/test-windows.sh [BUILD_DIR]     (default: build-win)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-win}")

bash "$root/scripts/build-windows.sh" "$build"

# A fresh 64-bit Wine prefix for this run, made without dialogs; the run's
# wineserver is stopped and the prefix removed however the run ends.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# OpenGL under Wine needs an X display.
xvfb-run -a -s "-screen 0 640x480x24" bash -c \
  'wineboot -i 2>/dev/null && ctest --test-dir "$1" --output-on-failure' _ "$build"
