#!/usr/bin/env bash
# The frei0r plug-in inside real hosts, headless. Each host's frames must equal,
# byte for byte, what the irisplit tool renders from the same picture with the
# same settings; bad use must leave the frames as they were, with one line on
# standard error per failure however many frames fail.
#   usage: real-hosts.sh ffmpeg|bad-use|melt|gstreamer|install
#   environment: IRISPLIT (the tool), FREI0R_DIR (the build's lib/frei0r-1 folder),
#                SAMPLE (an 8-bit PNG), BUILD_DIR (for cmake --install)
set -euo pipefail

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# GStreamer's registry is the build's own, never the user's: a scan of this
# build's plug-in cannot disturb (or be disturbed by) another.
export FREI0R_PATH=$FREI0R_DIR GST_REGISTRY=$BUILD_DIR/gst-registry.bin

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Every host writes raw RGBA here; pictures become the same bytes.
raw() { ffmpeg -v error -y -i "$1" -f rawvideo -pix_fmt rgba "$2"; }

# What the tool renders from SAMPLE with these options, frame after frame.
expected() { # out.rgba frames(A-B) tool-options...
  local out=$1 frames=$2 frame
  shift 2
  "$IRISPLIT" render "$SAMPLE" "$work/tool.%02d.png" --frames "$frames" --quiet "$@" >/dev/null
  : >"$out"
  for frame in "$work"/tool.*.png; do
    raw "$frame" "$work/frame.rgba"
    cat "$work/frame.rgba" >>"$out"
  done
  rm -f "$work"/tool.*.png
}

same() { # got want what
  cmp -s "$1" "$2" || fail "$3: not the tool's frames ($(cmp "$1" "$2" 2>&1 | head -1))"
}

no_report() { # log what
  if grep '^irisplit:' "$1"; then fail "$2: reported a failure"; fi
}

# frei0r values (0 to 1 each: Channels|Position|Rotation|Scale|Blur) and the
# tool options that mean the same.
rows=(
  "0|0.5015|0.505555555555556|0.5505|0.003 --channels red-blue --position 6 --rotation 2 --scale 101 --blur 3"
  "0.5|0.4975|0.45|0.45|0 --channels red-green --position -10 --rotation -18 --scale -100"
  "1|0.5|0.5|0.55|0.01 --channels green-blue --position 0 --blur 10"
)

case_ffmpeg() {
  local row values options
  for row in "${rows[@]}"; do
    read -r values options <<<"$row"
    expected "$work/want.rgba" 1 $options
    # Two instances in one process, the first with identity settings; the
    # frames go through standard output, which the module's diagnostics must
    # not reach.
    ffmpeg -v error -i "$SAMPLE" -vf "frei0r=irisplit:0|0.5|0.5|0.55|0,frei0r=irisplit:$values" \
      -f rawvideo -pix_fmt rgba - >"$work/got.rgba" 2>"$work/log" || fail "ffmpeg $values: $(cat "$work/log")"
    same "$work/got.rgba" "$work/want.rgba" "ffmpeg $values"
    no_report "$work/log" "ffmpeg $values"
  done
}

case_bad-use() {
  mkdir -p "$work/alone/frei0r-1"
  cp "$FREI0R_DIR/irisplit.so" "$work/alone/frei0r-1/"
  ffmpeg -v error -i "$SAMPLE" -vf crop=1:1:300:200 "$work/one.png"
  # plug-in folder; ffmpeg input; frei0r values; the line expected once ("" none)
  local cases=(
    "$work/alone/frei0r-1;-loop 1 -i $SAMPLE;0|0.6;cannot use the effect module '$work/alone/irisplit/IRX GL.so'"
    "$FREI0R_DIR;-loop 1 -i $SAMPLE;0|nan|0.5|1.5;Position is nan, Scale is 1.5: outside 0 to 1"
    "$FREI0R_DIR;-loop 1 -i $SAMPLE;-0.1|0.6;Channels is -0.1: outside 0 to 1"
    "$FREI0R_DIR;-f lavfi -i testsrc=size=16400x4;0|0.6;rendering a 16400x4 frame failed"
    "$FREI0R_DIR;-loop 1 -i $work/one.png;0|0.6|0.6|0.6|0.01;"
  )
  local row folder input values line
  for row in "${cases[@]}"; do
    IFS=';' read -r folder input values line <<<"$row"
    ffmpeg -v error -y $input -frames:v 3 -f rawvideo -pix_fmt rgba "$work/want.rgba"
    FREI0R_PATH=$folder ffmpeg -v error -y $input -frames:v 3 -vf "frei0r=irisplit:$values" \
      -f rawvideo -pix_fmt rgba "$work/got.rgba" 2>"$work/log" || fail "$values: ffmpeg failed: $(cat "$work/log")"
    cmp -s "$work/got.rgba" "$work/want.rgba" || fail "$values: the frames were changed"
    if [ -z "$line" ]; then
      no_report "$work/log" "$values"
    elif [ "$(grep -c '^irisplit:' "$work/log")" != 1 ] || ! grep -qF "irisplit: $line" "$work/log"; then
      fail "$values: expected the one line 'irisplit: $line...', got: $(cat "$work/log")"
    fi
  done
}

case_melt() {
  local size
  size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$SAMPLE")
  # melt needs the description (it crashes cloning a profile without one).
  printf '%s\n' "description=sample" "width=${size%,*}" "height=${size#*,}" frame_rate_num=25 frame_rate_den=1 progressive=1 \
    sample_aspect_num=1 sample_aspect_den=1 display_aspect_num=16 display_aspect_den=9 >"$work/profile"
  # Position keyed from 0 px at frame 0 to 16 px at frame 5, rendered on three
  # threads at once (real_time=-3: MLT gives each thread its own instance).
  melt -profile "$work/profile" "avformat:$SAMPLE" out=5 -attach frei0r.irisplit "Position=0=0.5;5=0.504" \
    -consumer "avformat:$work/got.rgba" f=rawvideo vcodec=rawvideo pix_fmt=rgba an=1 real_time=-3 \
    >"$work/log" 2>&1 || fail "melt: $(cat "$work/log")"
  expected "$work/want.rgba" 1-6 --position 1:0,6:16
  same "$work/got.rgba" "$work/want.rgba" "melt"
  no_report "$work/log" melt
}

# The log (GStreamer's warnings included) stays in the build folder when the
# case fails.
case_gstreamer() {
  local log=$BUILD_DIR/frei0r_gstreamer.log
  GST_DEBUG=${GST_DEBUG:-2} gst-launch-1.0 -q filesrc location="$SAMPLE" ! pngdec ! videoconvert \
    ! frei0r-filter-irisplit channels=0.5 position=0.4975 rotation=0.45 scale=0.45 \
    ! videoconvert ! video/x-raw,format=RGBA ! filesink location="$work/got.rgba" >"$log" 2>&1 ||
    fail "gst-launch-1.0 (log: $log): $(cat "$log")"
  expected "$work/want.rgba" 1 --channels red-green --position -10 --rotation -18 --scale -100
  (same "$work/got.rgba" "$work/want.rgba" "gst-launch-1.0" && no_report "$log" gstreamer) ||
    fail "gstreamer: log kept in $log"
  rm -f "$log"
}

# The installed tree alone: the tool finds its module under the prefix, ffmpeg
# and melt find the plug-in and the plug-in its module, the build tree unused.
case_install() {
  local prefix=$work/prefix
  cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null
  local file
  for file in bin/irisplit lib/frei0r-1/irisplit.so "lib/irisplit/IRX GL.so" share/kdenlive/effects/frei0r_irisplit.xml \
    share/shotcut/qml/filters/irisplit/meta.qml share/shotcut/qml/filters/irisplit/ui.qml; do
    [ -f "$prefix/$file" ] && [ ! -L "$prefix/$file" ] || fail "install: no $file"
  done
  [ "$(ls "$prefix/lib/frei0r-1")" = irisplit.so ] || fail "install: more than the plug-in in frei0r-1/"
  IRISPLIT=$prefix/bin/irisplit
  "$IRISPLIT" info | grep -qxF "Module: $prefix/lib/irisplit/IRX GL.so" || fail "install: the tool uses another module"
  FREI0R_DIR=$prefix/lib/frei0r-1 FREI0R_PATH=$prefix/lib/frei0r-1
  rows=("${rows[0]}")
  case_ffmpeg
  case_melt
}

"case_$1"
