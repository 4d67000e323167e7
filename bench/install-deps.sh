#!/usr/bin/env bash
# Installs what the benchmarks need beyond the build: Debian's ffmpeg, the peer,
# and GNU time, which measures whole runs.
set -euo pipefail
source "$(dirname "$0")/../scripts/ensure-packages.sh"
ensure_packages ffmpeg time
