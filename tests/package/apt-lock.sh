#!/usr/bin/env bash
# ensure_packages waits while another run holds the lock of apt's package lists,
# then updates them. apt works on lists of its own here, from no sources: nothing
# is fetched, and the machine's lists, caches and update hooks are left alone.
#   environment: SOURCE_DIR
set -euo pipefail
[ "$(id -u)" = 0 ] || exit 77 # apt-get update needs root: skipped
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache" "$work/sources"
cat >"$work/apt.conf" <<CONF
Dir::State::Lists "$work/lists"; Dir::Cache "$work/cache";
Dir::Etc::SourceList "/dev/null"; Dir::Etc::SourceParts "$work/sources";
#clear APT::Update;
CONF
export APT_CONFIG=$work/apt.conf

# The other run holds the lock as apt takes it (fcntl's, the whole file) for 3 s.
perl -MFcntl -e 'sysopen(my $lock, $ARGV[0], O_RDWR | O_CREAT) or die "$!\n"; $| = 1;
  my $whole_file = pack("s s x4 q q i x4", F_WRLCK, 0, 0, 0, 0);
  fcntl($lock, F_SETLK, $whole_file) or die "$!\n"; print "held\n"; sleep 3; print "let go\n"' \
  "$work/lists/lock" >"$work/holder" &
for _ in $(seq 50); do [ -s "$work/holder" ] && break || sleep 0.1; done
[ -s "$work/holder" ] || fail "could not take the lock"

IRX_APT_UPDATE=1 bash -c 'set -e; source "$1"; ensure_packages bash' _ "$SOURCE_DIR/scripts/ensure-packages.sh" ||
  fail "ensure_packages failed while the lock was held"
grep -qx "let go" "$work/holder" || fail "apt-get update ran while the lock was held"
