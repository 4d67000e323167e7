#!/usr/bin/env bash
# Checks the Debian package on a really fresh Debian 12: builds it (cpack -G
# DEB in build-deb/, or $IRX_BUILD_DIR), makes a minimal root (debootstrap
# --variant=minbase bookworm), installs the package there with apt-get alone,
# renders with the irisplit on the PATH, then installs ffmpeg, melt and
# GStreamer and has each run the filter, found with no FREI0R_PATH, comparing
# every picture with the tool's. Not part of CI (about 5 minutes here, most of
# it downloading packages). Needs root.
#   usage: scripts/test-package-fresh-debian.sh [ROOT_DIR]
#     ROOT_DIR  where the root is made (default: a new folder under /var/tmp);
#               removed afterwards unless IRX_KEEP_ROOT=1
#   IRX_DEBIAN_MIRROR  the mirror (default: this machine's own Debian mirror)
# The log goes to ROOT_DIR.log; the exit code is the checks'.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/scripts/ensure-packages.sh"
ensure_packages debootstrap

build=${IRX_BUILD_DIR:-$repo/build-deb}
echo "== the package, built in $build"
IRX_BUILD_DIR=$build bash "$repo/scripts/build.sh" -DIRX_BUILD_TESTS=OFF >/dev/null
rm -f "$build"/irisplit_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/irisplit_*.deb)
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

source "$repo/scripts/fresh-debian-root.sh"
target=$(realpath -m "${1:-$(mktemp -d /var/tmp/irx-fresh-package.XXXXXX)}")
log=$target.log
make_fresh_root "$target" "$log"
cp "$deb" "$repo/samples/lake.png" "$target/root/"

echo "== inside the root (log: $log)"
status=0
in_root '
set -euo pipefail
cd /root
fail() { echo "FAIL: $*"; exit 1; }
apt-get update -qq
echo "-- apt-get install ./irisplit_*.deb"
apt-get install -y -qq --no-install-recommends ./irisplit_*.deb >/dev/null
echo "irisplit: $(command -v irisplit)"
irisplit render lake.png tool.png --channels green-blue --position 10 --rotation 3 --scale 102 --blur 2 -q
irisplit render lake.png tool.%02d.png --frames 1-3 --position 1:0,3:8 -q
echo "-- apt-get install ffmpeg melt GStreamer"
apt-get install -y -qq --no-install-recommends ffmpeg melt gstreamer1.0-tools gstreamer1.0-plugins-base \
  gstreamer1.0-plugins-good gstreamer1.0-plugins-bad >/dev/null
unset FREI0R_PATH
raw() { ffmpeg -v error -y -i "$1" -f rawvideo -pix_fmt rgba "$2"; }
raw tool.png want.rgba
for i in 01 02 03; do raw tool.$i.png -; done >want-melt.rgba
# Green & Blue, 10 px, 3 degrees, 102 %, blur 2 as frei0r values.
ffmpeg -v error -i lake.png -vf "frei0r=irisplit:1|0.5025|0.5083333333333333|0.551|0.002" \
  -f rawvideo -pix_fmt rgba got-ffmpeg.rgba
cmp -s got-ffmpeg.rgba want.rgba || fail "ffmpeg: not the tool'"'"'s picture"
echo "ffmpeg: found the filter, same picture"
size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 lake.png)
printf "%s\n" description=lake "width=${size%,*}" "height=${size#*,}" frame_rate_num=25 frame_rate_den=1 \
  progressive=1 sample_aspect_num=1 sample_aspect_den=1 display_aspect_num=16 display_aspect_den=9 >profile
melt -quiet -profile profile avformat:lake.png out=2 -attach frei0r.irisplit "1=0=0.5;2=0.502" \
  -consumer avformat:got-melt.rgba f=rawvideo vcodec=rawvideo pix_fmt=rgba an=1 real_time=-1 2>melt.log
cmp -s got-melt.rgba want-melt.rgba || fail "melt: not the tool'"'"'s frames: $(cat melt.log)"
echo "melt: found the filter, same frames"
melt -quiet -profile profile avformat:lake.png out=2 -attach irisplit "position=0=0;2=8" \
  -consumer avformat:got-mlt.rgba f=rawvideo vcodec=rawvideo pix_fmt=rgba an=1 real_time=-1 2>mlt.log
cmp -s got-mlt.rgba want-melt.rgba || fail "melt: the MLT filter did not render the tool'"'"'s frames: $(cat mlt.log)"
echo "melt: found the MLT filter, same frames"
gst-launch-1.0 -q filesrc location=lake.png ! pngdec ! videoconvert ! frei0r-filter-irisplit channels=1 \
  position=0.5025 rotation=0.5083333333333333 scale=0.551 blur=0.002 ! videoconvert ! video/x-raw,format=RGBA \
  ! filesink location=got-gst.rgba
cmp -s got-gst.rgba want.rgba || fail "GStreamer: not the tool'"'"'s picture"
echo "GStreamer: found the filter, same picture"
ls /usr/share/kdenlive/effects/frei0r_irisplit.xml /usr/share/shotcut/qml/filters/irisplit/ui.qml
' >>"$log" 2>&1 || status=$?
grep -E '^(--|irisplit:|ffmpeg:|melt:|GStreamer:|FAIL|/usr)' "$log" || true
[ "$status" = 0 ] || tail -n 20 "$log"
echo "== the checks exited with $status"
exit "$status"
