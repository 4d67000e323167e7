#!/usr/bin/env bash
# Installs what the Windows build and its tests need on Debian 12: the mingw-w64
# cross compilers, Wine with an X server to run under, Mesa for Wine's OpenGL,
# and the sources that are cross-built for Windows (glbinding, GoogleTest).
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  cmake ninja-build python3 dpkg-dev g++ googletest
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth libgl1 libgl1-mesa-dri
)

source "$(dirname "$0")/ensure-packages.sh"

# Source packages: add deb-src to the Types of the machine's own Debian entries
# (deb822 files first, classic one-line lists otherwise), never a new archive.
enable_deb_src() {
  local changed=0 f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    if grep -qE '^Types:[[:space:]]*deb[[:space:]]*$' "$f" && grep -qiE '^URIs:.*debian' "$f"; then
      apt_as_root sed -i -E 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb deb-src/' "$f"
      changed=1
    fi
  done
  if [ -f /etc/apt/sources.list ] && ! grep -qE '^deb-src ' /etc/apt/sources.list; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      | apt_as_root tee -a /etc/apt/sources.list >/dev/null
    changed=1
  fi
  return $((1 - changed))
}

IRX_APT_UPDATE=0
enable_deb_src && IRX_APT_UPDATE=1
IRX_APT_UPDATE=$IRX_APT_UPDATE ensure_packages "${packages[@]}"
