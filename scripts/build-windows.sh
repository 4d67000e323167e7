#!/usr/bin/env bash
# Cross-builds the Windows module "IRX GL.aex", the Windows host simulator and
# the Windows test program with mingw-w64.
#   usage: scripts/build-windows.sh [BUILD_DIR]     (default: build-win)
# glbinding and GoogleTest for Windows are built once per machine and cached
# outside the clone (IRX_WINDOWS_CACHE, default /var/cache/irisplit), keyed on
# their source version and on the toolchain file.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-win}")
toolchain=$root/cmake/mingw-w64-x86_64.cmake
cache=${IRX_WINDOWS_CACHE:-/var/cache/irisplit}
toolchain_key=$(sha256sum "$toolchain" | cut -c1-12)

bash "$root/scripts/install-windows-deps.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Builds a CMake source tree with the toolchain and installs it into a prefix;
# the prefix appears only once it is complete.
cross_install() { # prefix source [cmake options...]
  local prefix=$1 source=$2
  shift 2
  [ -d "$prefix" ] && return 0
  echo "Building $(basename "$prefix") for Windows (once per machine)"
  local name
  name=$(basename "$prefix")
  cmake -S "$source" -B "$work/$name" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix.partial" \
    "$@" >"$work/$name.log" 2>&1 || { cat "$work/$name.log"; return 1; }
  cmake --build "$work/$name" >>"$work/$name.log" 2>&1 || { tail -50 "$work/$name.log"; return 1; }
  rm -rf "$prefix.partial"
  cmake --install "$work/$name" >>"$work/$name.log" 2>&1
  mv "$prefix.partial" "$prefix"
}

mkdir -p "$cache"

glbinding_version=$(apt-cache showsrc glbinding | awk '/^Version:/ { print $2; exit }')
: "${glbinding_version:?no glbinding source package known to apt (deb-src entries missing?)}"
glbinding_prefix=$cache/glbinding-$glbinding_version-$toolchain_key
if [ ! -d "$glbinding_prefix" ]; then
  (cd "$work" && apt-get source -qq "glbinding=$glbinding_version" >source.log 2>&1) ||
    { cat "$work/source.log"; exit 1; }
  cross_install "$glbinding_prefix" "$(find "$work" -maxdepth 1 -type d -name 'glbinding-*' | head -1)" \
    -DOPTION_BUILD_TESTS=OFF -DOPTION_BUILD_GPU_TESTS=OFF -DOPTION_BUILD_EXAMPLES=OFF
fi

googletest_version=$(dpkg-query -W -f='${Version}' googletest)
googletest_prefix=$cache/googletest-$googletest_version-$toolchain_key
cross_install "$googletest_prefix" /usr/src/googletest -DBUILD_GMOCK=OFF

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release \
  -Dglbinding_DIR="$glbinding_prefix/cmake" -DGTest_DIR="$googletest_prefix/lib/cmake/GTest"
cmake --build "$build"
echo "Built: $build/IRX GL.aex"
