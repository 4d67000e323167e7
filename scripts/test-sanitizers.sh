#!/usr/bin/env bash
# Builds the module, the host simulator and the tests that drive the module
# twice with clang, runs them, then fuzzes the loaded module:
#   build-asan  AddressSanitizer + LeakSanitizer + UndefinedBehaviorSanitizer,
#               with libFuzzer coverage, so the fuzzer comes from this build too
#   build-tsan  ThreadSanitizer (the stress tests with their full counts; the
#               AddressSanitizer run uses lighter ones)
# Mesa's own reports under TSan are suppressed by tests/sanitizers/tsan.supp,
# whose entries name functions: llvm-symbolizer (package llvm) must be there
# to name the frames, or those entries never match. LeakSanitizer needs no
# suppressions (Mesa's blocks stay reachable).
#   usage: scripts/test-sanitizers.sh
#   IRX_FUZZ_SECONDS  fuzzing time in seconds (default 60)
# A crash the fuzzer finds is written to build-asan/fuzz-artifacts/; once the
# fault is fixed, copy the input into fuzz/regressions/, where the ctest
# "fuzz_replay" replays it in every build.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
fuzz_seconds=${IRX_FUZZ_SECONDS:-60}
supp=$root/tests/sanitizers

bash "$root/scripts/install-deps.sh"
# clang, its sanitizer and libFuzzer runtimes, and the symbolizer.
source "$root/scripts/ensure-packages.sh"
ensure_packages clang libclang-rt-14-dev llvm

# Only what the runs need: no image tool, no benchmarks.
targets=(irx_effect boundary_tests hostsim_tests render_tests opengl_layer_tests
  stress_tests effect_fuzz_replay)

build() { # build-dir cmake-options...
  local dir=$1
  shift
  echo "== configure and build $dir"
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" --parallel "$(nproc)" --target "${targets[@]}" "${extra_targets[@]}"
}

# Everything built above except the image tool's tests, the valgrind runs
# (valgrind cannot run sanitized programs), the frei0r and MLT plug-ins in real hosts
# and editors' projects, the Debian package and the layering probes (which
# check the build, not what runs).
run_tests() { # build-dir ctest-options...
  local dir=$1
  shift
  echo "== ctest in $dir"
  ctest --test-dir "$dir" --output-on-failure --timeout 900 -j "$(nproc)" \
    -E '_NOT_BUILT$|valgrind|helgrind|memcheck|^bench_|^frei0r_|^mlt_|^editors_|^package_|^layering_' "$@"
}

# llvmpipe's rasteriser threads add nothing here and only slow the runs down.
export LP_NUM_THREADS=0
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=suppressions=$supp/tsan.supp:halt_on_error=0:second_deadlock_stack=1

extra_targets=(effect_fuzzer)
build "$root/build-asan" -DIRX_SANITIZE=address -DIRX_BUILD_FUZZER=ON
export IRX_STRESS_LIGHT=1
run_tests "$root/build-asan"
unset IRX_STRESS_LIGHT

extra_targets=()
build "$root/build-tsan" -DIRX_SANITIZE=thread
run_tests "$root/build-tsan"

if ((fuzz_seconds > 0)); then
  echo "== fuzzing the module for ${fuzz_seconds}s"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  artifacts=$root/build-asan/fuzz-artifacts
  mkdir -p "$artifacts"
  # New inputs go to the scratch folder; the checked-in corpus stays as it is.
  # stdout (the effect's context lines) is closed; memory is capped.
  "$root/build-asan/fuzz/effect_fuzzer" "$work" "$root/fuzz/corpus" \
    -max_total_time="$fuzz_seconds" -rss_limit_mb=3072 -timeout=60 -close_fd_mask=1 \
    -print_final_stats=1 -artifact_prefix="$artifacts/"
fi
echo "== sanitizer builds, tests and fuzzing passed"
