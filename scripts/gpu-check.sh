#!/usr/bin/env bash
# The GPU check, in two halves, for a GPU machine that is bare and reaches no
# package registry.
#
#   bash scripts/gpu-check.sh pack [BUNDLE]
#       here: builds the module, irisplit-egl, the rendering tests and the
#       benchmark, and packs them with the shared libraries a bare machine may
#       lack (glbinding, libglvnd's EGL, GLX and dispatch libraries, libX11's
#       few) into BUNDLE (default build/irisplit-gpu-check.tar.xz), refused
#       above 64 MiB. IRX_GPU_CHECK_BUILT=1 packs the build as it is.
#   tar xf irisplit-gpu-check.tar.xz && bash irisplit-gpu-check/gpu-check.sh run [RESULTS] [--dry-run]
#       there, within 6 minutes: prints the chosen EGL device and renderer and
#       fails on a software renderer (the whole run has IRISPLIT_REQUIRE_GPU=1),
#       runs the rendering tests against the CPU model at 8 bits, 16 bits and
#       float, and writes the benchmark's 1920x1080 and 3840x2160 rows (8-bit
#       and float, blur 0 and 10) into RESULTS (default gpu-check-results.md
#       in the current folder; the programs' logs go beside it). --dry-run
#       accepts a software renderer and benchmarks 320x240 only: the whole
#       run but the renderer check, on any machine.
#
# Left out: the irisplit tool with OpenImageIO, and ffmpeg, which
# bench/sequence.sh needs; with their libraries they come to about 90 and
# 76 MiB packed, each beyond the bundle's 64 MiB.
set -euo pipefail

readonly bundle_name=irisplit-gpu-check
readonly max_bundle_bytes=$((64 * 1024 * 1024))
# The C library's own and the C++ runtime: every machine has them, newer.
readonly system_libraries='^(libc|libm|libdl|libpthread|librt|libresolv|ld-linux-x86-64|libstdc\+\+|libgcc_s)\.so'

pack() {
  local root build bundle
  root="$(cd "$(dirname "$0")/.." && pwd)"
  build="${IRX_BUILD_DIR:-$root/build}"
  bundle="${1:-$build/$bundle_name.tar.xz}"
  if [ "${IRX_GPU_CHECK_BUILT:-0}" != 1 ]; then
    bash "$root/scripts/build.sh" >/dev/null
  fi
  stage="$(mktemp -d)"
  trap 'rm -rf "$stage"' EXIT
  mkdir -p "$stage/$bundle_name/bin" "$stage/$bundle_name/lib"
  local programs=("$build/IRX GL.so" "$build/irisplit-egl" "$build/tests/render/render_tests"
    "$build/bench/irx_bench" "$build/bench/irx_effect_bench.so")
  cp "${programs[@]}" "$stage/$bundle_name/bin/"
  cp "$root/scripts/gpu-check.sh" "$stage/$bundle_name/"
  # Every library the programs load, but the C and C++ runtimes.
  ldd "${programs[@]}" | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' | sort -u |
    while read -r library; do
      if ! basename "$library" | grep -Eq "$system_libraries"; then
        cp -L "$library" "$stage/$bundle_name/lib/"
      fi
    done
  tar -C "$stage" -cf - "$bundle_name" | xz -T0 -6 >"$bundle"
  local bytes
  bytes=$(stat -c %s "$bundle")
  if [ "$bytes" -gt "$max_bundle_bytes" ]; then
    echo "gpu-check: the bundle has $bytes bytes, more than 64 MiB" >&2
    return 1
  fi
  echo "gpu-check: $bundle, $bytes bytes ($(ls "$stage/$bundle_name/lib" | wc -l) libraries)"
}

# Where the image keeps the NVIDIA driver outside the system's folders (as
# containers that mount it do), libglvnd and the loader are told.
use_mounted_driver() {
  local driver=/usr/local/nvidia folder
  for folder in "$driver/lib64" "$driver/lib"; do
    if [ -d "$folder" ]; then
      LD_LIBRARY_PATH="$LD_LIBRARY_PATH:$folder"
    fi
  done
  if [ -z "${__EGL_VENDOR_LIBRARY_FILENAMES:-}" ] && [ -f "$driver/share/glvnd/egl_vendor.d/10_nvidia.json" ] &&
    ! ls /usr/share/glvnd/egl_vendor.d/*nvidia*.json /etc/glvnd/egl_vendor.d/*nvidia*.json >/dev/null 2>&1; then
    export __EGL_VENDOR_LIBRARY_DIRS="$driver/share/glvnd/egl_vendor.d:/usr/share/glvnd/egl_vendor.d"
  fi
}

run() {
  local here results=gpu-check-results.md dry_run=0 argument logs
  here="$(cd "$(dirname "$0")" && pwd)"
  for argument in "$@"; do
    case $argument in
      --dry-run) dry_run=1 ;;
      *) results=$argument ;;
    esac
  done
  logs="$(dirname "$results")"
  export LD_LIBRARY_PATH="$here/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
  use_mounted_driver
  local sizes=1920x1080,3840x2160
  if [ "$dry_run" = 1 ]; then
    sizes=320x240
  else
    export IRISPLIT_REQUIRE_GPU=1
  fi

  echo "== the EGL display the effect renders on"
  local choice
  if ! choice=$("$here/bin/irisplit-egl" 2>&1); then
    echo "$choice" >&2
    echo "gpu-check: FAILED: no GPU renderer. If the machine has a GPU, see the README: the driver's EGL vendor" \
      "file, __EGL_VENDOR_LIBRARY_FILENAMES, and whether the driver's EGL library is in the container." >&2
    return 1
  fi
  echo "$choice"

  echo "== the rendering tests against the CPU model, 8 bits, 16 bits and float"
  IRX_TEST_MODULE="$here/bin/IRX GL.so" "$here/bin/render_tests" --gtest_filter='Depths/ModelMatch.*' \
    --gtest_brief=1 >"$logs/render-tests.log" 2>&1 ||
    { tail -40 "$logs/render-tests.log" >&2; echo "gpu-check: FAILED: the rendering tests" >&2; return 1; }
  grep -E '^\[  PASSED  \]' "$logs/render-tests.log"

  echo "== the benchmark: $sizes, 8-bit and float, blur 0 and 10"
  "$here/bin/irx_bench" --module "$here/bin/irx_effect_bench.so" --sizes "$sizes" --depths 8,float --blurs 0,10 \
    --threads 1 --frames 5 --no-bandwidth --results "$results" --command "bash gpu-check.sh run" \
    >"$logs/bench.log" 2>&1 ||
    { tail -20 "$logs/bench.log" >&2; echo "gpu-check: FAILED: the benchmark" >&2; return 1; }
  printf '\n## The EGL display\n\n```\n%s\n```\n' "$choice" >>"$results"
  grep -E '^\| [0-9]+x[0-9]+ \|' "$results"
  echo "gpu-check: passed; rows in $results"
}

case "${1:-}" in
  pack) shift; pack "$@" ;;
  run) shift; run "$@" ;;
  *) echo "usage: gpu-check.sh pack [BUNDLE] | run [RESULTS] [--dry-run]" >&2; exit 2 ;;
esac
