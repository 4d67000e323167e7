#!/usr/bin/env bash
# The GPU check's bundle, packed from this build, unpacked elsewhere and run
# from there with the software renderer accepted: everything but the GPU.
#   environment: IRX_BUILD_DIR (the build), SOURCE_DIR (the project)
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
IRX_GPU_CHECK_BUILT=1 bash "$SOURCE_DIR/scripts/gpu-check.sh" pack "$work/bundle.tar.xz"
mkdir "$work/there"
tar -C "$work/there" -xf "$work/bundle.tar.xz"
# Without --dry-run the software renderer is refused.
if bash "$work/there/irisplit-gpu-check/gpu-check.sh" run "$work/refused.md" 2>"$work/refused.log"; then
  echo "FAIL: the software renderer passed the check" >&2
  exit 1
fi
grep -q 'IRISPLIT_REQUIRE_GPU=1, but the renderer is a software one' "$work/refused.log"
bash "$work/there/irisplit-gpu-check/gpu-check.sh" run "$work/results.md" --dry-run
[ "$(grep -cE '^\| 320x240 \| (8|float) \| (0|10) \|' "$work/results.md")" = 4 ]
grep -qE '^\[  PASSED  \] [1-9]' "$work/render-tests.log" # the rendering tests ran
[ "$(tar -tf "$work/bundle.tar.xz" | grep -cE '/lib/lib(glbinding|EGL|GLdispatch|c|stdc\+\+)\.so')" = 3 ] # not the C runtimes
