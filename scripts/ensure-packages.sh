# Sourced by the install scripts: ensure_packages NAME... installs the Debian
# packages that are not installed yet (one apt-get update first, only when
# something is missing or IRX_APT_UPDATE=1). Safe to run again. While another
# apt or dpkg run holds the package manager's locks (an unattended upgrade,
# a second install script), it waits for them, up to 10 minutes each.

apt_lock_seconds=600

apt_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get install waits for dpkg's locks when asked to; apt-get update takes
# the lock of the package lists without waiting, so it runs holding that lock
# once it is free: the lock (fcntl's, which apt takes) is taken here, and this
# process then becomes apt-get, whose own locking finds the lock its own.
apt_get_update() {
  local lists
  eval "$(apt-config shell lists Dir::State::Lists/d)"
  apt_as_root perl -MFcntl=:DEFAULT,:seek -e '
    my ($file, $seconds, @command) = @ARGV;
    sysopen(my $lock, $file, O_RDWR | O_CREAT, 0640) or die "$file: $!\n";
    $SIG{ALRM} = sub { die "$file: still held by another apt or dpkg run after $seconds s\n" };
    alarm $seconds;
    # struct flock of 64-bit Linux: the whole file, for writing.
    my $whole_file = pack("s s x4 q q i x4", F_WRLCK, SEEK_SET, 0, 0, 0);
    fcntl($lock, F_SETLKW, $whole_file) or die "$file: $!\n";
    alarm 0;
    fcntl($lock, F_SETFD, 0) or die "$file: $!\n";  # open, so held, across exec
    exec @command or die "$command[0]: $!\n";
  ' "${lists}lock" "$apt_lock_seconds" apt-get update -qq
}

ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})) || [ "${IRX_APT_UPDATE:-0}" = 1 ]; then
    apt_get_update
  fi
  if ((${#missing[@]})); then
    DEBIAN_FRONTEND=noninteractive apt_as_root apt-get install -y -qq --no-install-recommends \
      -o DPkg::Lock::Timeout="$apt_lock_seconds" "${missing[@]}"
  fi
}
