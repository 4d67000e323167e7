#!/usr/bin/env bash
# Checks that the README's two commands work on a really fresh Debian 12: makes
# a minimal root (debootstrap --variant=minbase bookworm), clones this
# repository's current commit into it and runs `bash scripts/demo.sh` and
# `bash scripts/test.sh` there. Not part of CI: it installs every package and
# builds everything from nothing (a quarter of an hour here). Needs root.
#   usage: scripts/test-fresh-debian.sh [ROOT_DIR]
#     ROOT_DIR  where the root is made (default: a new folder under /var/tmp);
#               removed afterwards unless IRX_KEEP_ROOT=1
#   IRX_DEBIAN_MIRROR  the mirror (default: this machine's own Debian mirror)
# The log of the two commands goes to ROOT_DIR.log; the exit code is theirs.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/scripts/ensure-packages.sh"
ensure_packages debootstrap git

source "$repo/scripts/fresh-debian-root.sh"
target=$(realpath -m "${1:-$(mktemp -d /var/tmp/irx-fresh-debian.XXXXXX)}")
log=$target.log
commit=$(git -C "$repo" rev-parse HEAD)
make_fresh_root "$target" "$log"

echo "== fresh clone of $commit"
git clone -q "$repo" "$target/root/irisplit"
git -C "$target/root/irisplit" checkout -q "$commit"

echo "== the README's two commands inside the root (log: $log)"
status=0
in_root 'cd /root/irisplit && bash scripts/demo.sh && bash scripts/test.sh' >>"$log" 2>&1 || status=$?
tail -n 5 "$log"
echo "== the two commands exited with $status"
exit "$status"
