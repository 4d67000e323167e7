#!/usr/bin/env bash
# Installs what the benchmark needs beyond the build: Debian's ffmpeg, the peer.
set -euo pipefail
source "$(dirname "$0")/../scripts/ensure-packages.sh"
ensure_packages ffmpeg
