# What the frei0r cases share, sourced: a scratch folder, failing, raw RGBA
# frames, the tool's frames to compare with, and melt.
#   environment: IRISPLIT (the tool), FREI0R_DIR (the build's lib/frei0r-1),
#                SAMPLE (an 8-bit PNG)
set -euo pipefail

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export FREI0R_PATH=$FREI0R_DIR

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Every host writes raw RGBA; pictures become the same bytes.
raw() { # pictures... (to standard output)
  local picture
  for picture; do ffmpeg -v error -i "$picture" -f rawvideo -pix_fmt rgba -; done
}

# What the tool renders from SAMPLE with these options, frame after frame.
expected() { # out.rgba frames(A-B) tool-options...
  local out=$1 frames=$2
  shift 2
  "$IRISPLIT" render "$SAMPLE" "$work/tool.%02d.png" --frames "$frames" --quiet "$@" >/dev/null
  raw "$work"/tool.*.png >"$out"
  rm -f "$work"/tool.*.png
}

same() { # got want what
  cmp -s "$1" "$2" || fail "$3: not the tool's frames ($(cmp "$1" "$2" 2>&1 | head -1))"
}

no_report() { # log what
  if grep '^irisplit:' "$1"; then fail "$2: reported a failure"; fi
}

# SAMPLE's width and height as "W H".
sample_size() { ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$SAMPLE" | tr , ' '; }

# Frame width, the frei0r value that names a width in pixels.
frame_width() { awk -v w="$1" 'BEGIN { print w / 100000 }'; }

# PICTURE as melt's producer: its pixbuf one, since on several threads under
# load its avformat producer now and then hands over every frame white, MLT's
# stand-in for frames it could not read.
picture() { echo "pixbuf:$1"; }

# A melt profile in $work/profile: W×H, SAMPLE's size when not given.
melt_profile() { # [W H]
  local width height
  read -r width height < <(sample_size)
  width=${1:-$width} height=${2:-$height}
  # melt needs the description (it crashes cloning a profile without one).
  printf '%s\n' "description=sample" "width=$width" "height=$height" frame_rate_num=25 frame_rate_den=1 progressive=1 \
    sample_aspect_num=1 sample_aspect_den=1 display_aspect_num=16 display_aspect_den=9 >"$work/profile"
}

# HALF, frames melt rendered at W×H, half the profile's size, against the
# full-size picture FULL scaled down as melt scales: the moved pair (red and
# blue) must match it as closely as the channel left in place (green) does,
# within 10 dB; a green scaled exactly alike counts as 60 dB.
looks_the_same() { # half.rgba full-picture W H what
  local r g b
  melt_raw "$work/want-half.rgba" "real_time=-1 width=$3 height=$4" -profile "$work/profile" "$(picture "$2")" out=0
  # Their PSNR per channel.
  read -r r g b < <(ffmpeg -v info -f rawvideo -pix_fmt rgba -s "$3x$4" -i "$1" -f rawvideo -pix_fmt rgba -s "$3x$4" \
    -i "$work/want-half.rgba" -lavfi psnr -f null - 2>&1 | sed -n 's/.*PSNR r:\([^ ]*\) g:\([^ ]*\) b:\([^ ]*\) .*/\1 \2 \3/p')
  awk -v r="$r" -v g="$g" -v b="$b" 'BEGIN {
    if (g == "inf" || g > 60) g = 60
    exit !(r >= g - 10 && b >= g - 10) }' ||
    fail "$5: PSNR red $r, blue $b dB against green $g dB"
}

# melt -query's description of FILTER in $work/query: describing it loads no
# graphics driver.
melt_query() { # filter
  LD_DEBUG=files melt -query "filter=$1" 2>"$work/log" >"$work/query" || fail "melt -query: $(cat "$work/log")"
  if grep -E "file=[^ ]*(_dri\.so|libgallium|libEGL_mesa|libGLX_mesa)" "$work/log"; then fail "describing loaded a driver"; fi
}

# id|minimum|maximum|default|unit of each parameter of the irisplit MLT filter.
mlt_parameters() {
  melt_query irisplit
  awk '/^  - identifier:/ { if (row) print row; row = $3 }
    /^    (minimum|maximum|default|unit):/ { row = row "|" $2 } END { print row }' "$work/query"
}

# melt with these arguments, its frames as raw RGBA in OUT, what it printed in
# $work/log. Under load, melt 7.12's avformat consumer now and then has its
# thread end before it begins, having written nothing; melt then ends too (exit
# status 0) or waits for that thread for ever. Such a start alone is tried
# again; a run that wrote frames must have ended by itself.
melt_frames() { # out "consumer properties" melt-arguments...
  local out=$1 properties=$2 try status
  shift 2
  for try in 1 2 3 4 5; do
    rm -f "$out"
    status=0
    # shellcheck disable=SC2086 # the properties are words
    timeout -k 5 60 melt "$@" -consumer "avformat:$out" f=rawvideo vcodec=rawvideo pix_fmt=rgba an=1 $properties \
      >"$work/log" 2>&1 || status=$?
    if [ -s "$out" ]; then
      [ "$status" != 124 ] || fail "melt $*: frames written, but no end within 60 s"
      [ "$status" = 0 ] || fail "melt $*: $(cat "$work/log")"
      return 0
    fi
    [ "$status" = 0 ] || [ "$status" = 124 ] || fail "melt $*: $(cat "$work/log")"
  done
  fail "melt $*: no frames in $try starts"
}

# melt_frames, no failure reported.
melt_raw() { # out "consumer properties" melt-arguments...
  melt_frames "$@"
  no_report "$work/log" "melt ${*:3}"
}
