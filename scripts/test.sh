#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite headless:
# the Linux suite, the Windows module under Wine, and the sanitizer and
# fuzzing runs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
(cd "${IRX_BUILD_DIR:-$root/build}" && ctest --output-on-failure --timeout 600 -j "$(nproc)")
bash "$root/scripts/test-windows.sh"
bash "$root/scripts/test-sanitizers.sh"
