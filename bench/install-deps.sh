#!/usr/bin/env bash
# Installs what the benchmark needs beyond the build: Debian's ffmpeg, the peer.
# Safe to run again: apt skips what is already there.
set -euo pipefail

if ! dpkg-query -W -f='${Status}' ffmpeg 2>/dev/null | grep -q "install ok installed"; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends ffmpeg
fi
