#!/usr/bin/env bash
# Builds the module, the simulator and the tests that drive the module twice
# with clang: AddressSanitizer + UndefinedBehaviorSanitizer (with LeakSanitizer
# and libFuzzer coverage) and ThreadSanitizer. Runs the tests under each, then
# fuzzes the loaded module for a bounded time from the checked-in corpus.
#   usage: scripts/test-sanitizers.sh
#   IRX_FUZZ_SECONDS   fuzzing time (default 120; 0 skips fuzzing)
#   IRX_SANITIZER_BUILD_ROOT   where build-asan and build-tsan go (default: the repository)
# A crash found by the fuzzer is left under build-asan/fuzz-artifacts/; copy it
# into fuzz/regressions/ once fixed, where ctest "fuzz_replay" replays it.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
builds=${IRX_SANITIZER_BUILD_ROOT:-$root}
fuzz_seconds=${IRX_FUZZ_SECONDS:-120}
jobs=$(nproc)
supp=$root/tests/sanitizers

# The compiler and sanitizer runtimes; the rest comes from install-deps.sh.
bash "$root/scripts/install-deps.sh"
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Only what the runs need: no image tool, no benchmarks.
targets=(irx_effect boundary_tests hostsim_tests render_tests opengl_layer_tests
  opengl_module_tests stress_tests effect_fuzz_replay)

build() { # dir [cmake options...]
  local dir=$1
  shift
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" --parallel "$jobs" --target "$@" 2>/dev/null || true
}
