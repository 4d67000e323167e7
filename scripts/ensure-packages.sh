# Sourced by the install scripts: ensure_packages NAME... installs the Debian
# packages that are not installed yet (one apt-get update first, only when
# something is missing or IRX_APT_UPDATE=1). Safe to run again.

apt_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})) || [ "${IRX_APT_UPDATE:-0}" = 1 ]; then
    apt_as_root apt-get update -qq
  fi
  if ((${#missing[@]})); then
    DEBIAN_FRONTEND=noninteractive apt_as_root apt-get install -y -qq --no-install-recommends \
      "${missing[@]}"
  fi
}
