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

# The first Debian archive this machine's apt uses (deb822 or one-line lists).
machine_mirror() {
  cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null |
    grep -oE '(URIs:[[:space:]]*|^deb[[:space:]]+)[a-z]+://[^[:space:]]*/debian/?([[:space:]]|$)' |
    grep -oE '[a-z]+://[^[:space:]]*' | head -n 1 || true
}
mirror=${IRX_DEBIAN_MIRROR:-$(machine_mirror)}
mirror=${mirror:-http://deb.debian.org/debian}

target=$(realpath -m "${1:-$(mktemp -d /var/tmp/irx-fresh-debian.XXXXXX)}")
log=$target.log
commit=$(git -C "$repo" rev-parse HEAD)

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" || true; done
  if [ "${IRX_KEEP_ROOT:-0}" != 1 ]; then rm -rf --one-file-system "$target"; fi
}
trap cleanup EXIT
mount_in_root() { # source type mount-point-inside-root [options]
  mkdir -p "$target$3"
  mount ${4:+-o "$4"} -t "$2" "$1" "$target$3"
  mounted+=("$target$3")
}

echo "== debootstrap minbase bookworm from $mirror into $target"
debootstrap --variant=minbase bookworm "$target" "$mirror" >"$log" 2>&1 ||
  { tail -n 20 "$log"; exit 1; }
cp /etc/resolv.conf "$target/etc/resolv.conf"
# Services that packages try to start stay down inside the root.
printf '#!/bin/sh\nexit 101\n' >"$target/usr/sbin/policy-rc.d"
chmod +x "$target/usr/sbin/policy-rc.d"
mount_in_root proc proc /proc
mount_in_root sysfs sysfs /sys
mount_in_root /dev none /dev bind
mount_in_root devpts devpts /dev/pts newinstance,ptmxmode=0666
mount_in_root tmpfs tmpfs /dev/shm

echo "== fresh clone of $commit"
git clone -q "$repo" "$target/root/irisplit"
git -C "$target/root/irisplit" checkout -q "$commit"

echo "== the README's two commands inside the root (log: $log)"
status=0
chroot "$target" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /root/irisplit && bash scripts/demo.sh && bash scripts/test.sh' >>"$log" 2>&1 ||
  status=$?
tail -n 5 "$log"
echo "== the two commands exited with $status"
exit "$status"
