#!/usr/bin/env bash
# Installs what is needed, builds, and applies the effect to the bundled
# sample picture: one still with visible settings, then a short animated
# sequence (keyframed position) that shows the progress report.
# Results: $build/demo/lake-irisplit.png and $build/demo/lake-anim.NNNN.png.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${IRX_BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

irisplit="$build/irisplit"
demo="$build/demo"
mkdir -p "$demo"
"$irisplit" render "$root/samples/lake.png" "$demo/lake-irisplit.png" \
  --channels red-blue --position 6 --rotation 2 --scale 101 --blur 3
"$irisplit" render "$root/samples/lake.png" "$demo/lake-anim.%04d.png" \
  --frames 1-12 --position 1:0,12:16 --blur 1:0,12:4
echo "Before: $root/samples/lake.png"
echo "After:  $demo/lake-irisplit.png (and $demo/lake-anim.0001.png ... 0012.png)"
