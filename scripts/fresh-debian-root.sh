# Sourced by the fresh-root checks: make_fresh_root TARGET LOG makes a minimal
# Debian 12 root (debootstrap --variant=minbase bookworm) with /proc, /sys and
# /dev mounted, unmounted (and the root removed unless IRX_KEEP_ROOT=1) when
# the calling script exits; in_root COMMAND runs bash -c COMMAND inside it.
# Needs root.
#   IRX_DEBIAN_MIRROR  the mirror (default: this machine's own Debian mirror)

# The first Debian archive this machine's apt uses (deb822 or one-line lists).
machine_mirror() {
  cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null |
    grep -oE '(URIs:[[:space:]]*|^deb[[:space:]]+)[a-z]+://[^[:space:]]*/debian/?([[:space:]]|$)' |
    grep -oE '[a-z]+://[^[:space:]]*' | head -n 1 || true
}

fresh_root_mounts=()
fresh_root_cleanup() {
  local i
  for ((i = ${#fresh_root_mounts[@]} - 1; i >= 0; i--)); do umount -l "${fresh_root_mounts[i]}" || true; done
  if [ "${IRX_KEEP_ROOT:-0}" != 1 ]; then rm -rf --one-file-system "$fresh_root"; fi
}

mount_in_root() { # source type mount-point-inside-root [options]
  mkdir -p "$fresh_root$3"
  mount ${4:+-o "$4"} -t "$2" "$1" "$fresh_root$3"
  fresh_root_mounts+=("$fresh_root$3")
}

make_fresh_root() { # target log
  fresh_root=$1
  local mirror=${IRX_DEBIAN_MIRROR:-$(machine_mirror)}
  mirror=${mirror:-http://deb.debian.org/debian}
  trap fresh_root_cleanup EXIT
  echo "== debootstrap minbase bookworm from $mirror into $fresh_root"
  debootstrap --variant=minbase bookworm "$fresh_root" "$mirror" >"$2" 2>&1 ||
    { tail -n 20 "$2"; exit 1; }
  cp /etc/resolv.conf "$fresh_root/etc/resolv.conf"
  # Services that packages try to start stay down inside the root.
  printf '#!/bin/sh\nexit 101\n' >"$fresh_root/usr/sbin/policy-rc.d"
  chmod +x "$fresh_root/usr/sbin/policy-rc.d"
  mount_in_root proc proc /proc
  mount_in_root sysfs sysfs /sys
  mount_in_root /dev none /dev bind
  mount_in_root devpts devpts /dev/pts newinstance,ptmxmode=0666
  mount_in_root tmpfs tmpfs /dev/shm
}

in_root() { # command
  chroot "$fresh_root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb DEBIAN_FRONTEND=noninteractive \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -c "$1"
}
