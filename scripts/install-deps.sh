#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the tools need.
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libglbinding-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libgl1
  libgtest-dev libgmock-dev valgrind
  libcli11-dev libopenimageio-dev openimageio-tools
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
