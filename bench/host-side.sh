#!/bin/bash
# The host-side time of a 1080p frame (see host-side/HostSide.cpp) for the
# sources in SOURCE_TREE and the host simulator and frei0r plug-in built from
# them in BUILD_DIR; neither is changed, so a build of another revision can be
# timed the same way.
#   bash bench/host-side.sh [SOURCE_TREE [BUILD_DIR [FRAMES]]]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_tree=$(cd "${1:-$here/..}" && pwd)
build_dir=$(cd "${2:-$source_tree/build}" && pwd)
frames=${3:-40}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The plug-in finds its effect module in ../irisplit/ beside its own folder.
mkdir -p "$work/lib/frei0r-1" "$work/lib/irisplit"
cp "$build_dir/lib/frei0r-1/irisplit.so" "$work/lib/frei0r-1/"
flags=(-std=c++17 -O2 -Wall -Wextra -I"$source_tree")
g++ "${flags[@]}" -shared -fPIC -fvisibility=hidden -o "$work/lib/irisplit/IRX GL.so" \
    "$here/host-side/NullEffect.cpp" "$source_tree/KaleonParams.cpp" "$source_tree/KaleonPreRender.cpp"
g++ "${flags[@]}" -o "$work/host-side" "$here/host-side/HostSide.cpp" \
    "$build_dir/hostsim/libirx_hostsim.a" -ldl -pthread
"$work/host-side" "$work/lib/irisplit/IRX GL.so" "$work/lib/frei0r-1/irisplit.so" "$frames"
