#!/usr/bin/env bash
# Configures and builds the Linux tree into build/ (or $IRX_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${IRX_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${IRX_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
