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

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

# Source packages: add deb-src to the Types of the machine's own Debian entries
# (deb822 files first, classic one-line lists otherwise), never a new archive.
enable_deb_src() {
  local changed=0 f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    if grep -qE '^Types:[[:space:]]*deb[[:space:]]*$' "$f" && grep -qiE '^URIs:.*debian' "$f"; then
      $sudo_cmd sed -i -E 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb deb-src/' "$f"
      changed=1
    fi
  done
  if [ -f /etc/apt/sources.list ] && ! grep -qE '^deb-src ' /etc/apt/sources.list; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      | $sudo_cmd tee -a /etc/apt/sources.list >/dev/null
    changed=1
  fi
  return $((1 - changed))
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
need_update=0
enable_deb_src && need_update=1
((${#missing[@]})) && need_update=1
if ((need_update)); then
  $sudo_cmd apt-get update -qq
fi
if ((${#missing[@]})); then
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
