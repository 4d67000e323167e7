#!/usr/bin/env bash
# Times the peer a user without the host would reach for: ffmpeg's rgbashift
# (red and blue moved 8 pixels, as the benchmark's frames) plus gblur on those
# two planes, per frame, over the same rows as the benchmark.
#
# usage: peer-ffmpeg.sh OUT.tsv SIZES DEPTHS BLURS THREADS
#   lists comma separated, e.g. 1280x720,1920x1080 8,16,float 0,10,100 1,2
# Writes "width height depth blur threads seconds" lines, tab separated.
#
# One input frame is made once and repeated by the loop filter, so only the
# peer's own filters run per frame. A frame's time is the difference between
# ffmpeg's own timing (-benchmark, which leaves out start-up) of a run of
# 1 + K frames and of a run of 1 frame, divided by K. The first frame's cost
# varies by several frames' worth from run to run, mostly upwards, so the
# 1-frame run is timed twice and the faster one counts; a row whose difference
# still comes out at zero or less is left out with a warning. The blur's sigma matches the
# effect's Gaussian, exp(-(d / radius)^2): sigma = radius / sqrt(2).
# Debian's ffmpeg 5.1 has no float rgbashift, so float rows shift at 16 bits
# between two conversions, which is what a user of it pays.
set -euo pipefail

out=$1
IFS=, read -r -a sizes <<<"$2"
IFS=, read -r -a depths <<<"$3"
IFS=, read -r -a blurs <<<"$4"
IFS=, read -r -a threads <<<"$5"

shift_filter="rgbashift=rh=-8:rv=-8:bh=8:bv=8:edge=wrap"
# In ffmpeg's planar RGB formats plane 1 is blue and plane 2 is red.
blur_planes=6

pixel_format() {
  case $1 in
    8) echo gbrap ;;
    16) echo gbrap16le ;;
    float) echo gbrapf32le ;;
  esac
}

chain() { # depth blur
  local filters
  if [ "$1" = float ]; then
    filters="format=gbrap16le,$shift_filter,format=gbrapf32le"
  else
    filters=$shift_filter
  fi
  if [ "$2" != 0 ]; then
    filters+=",gblur=sigma=$(awk -v r="$2" 'BEGIN { printf "%.4f", r / sqrt(2) }'):planes=$blur_planes"
  fi
  echo "$filters"
}

# Seconds ffmpeg reports for its work on `frames` output frames.
run_seconds() { # size depth blur threads frames
  ffmpeg -nostdin -hide_banner -nostats -loglevel info -benchmark -filter_threads "$4" \
    -f lavfi -i "color=c=0x806040:s=$1:r=30,trim=end_frame=1,format=$(pixel_format "$2")" \
    -vf "loop=loop=-1:size=1:start=0,$(chain "$2" "$3")" -frames:v "$5" -f null - 2>&1 |
    sed -n 's/^bench: .*rtime=\([0-9.]*\)s$/\1/p'
}

{
  echo "# $(ffmpeg -hide_banner -version | head -n 1 | cut -d' ' -f1-3)"
  for size in "${sizes[@]}"; do
    width=${size%x*}
    height=${size#*x}
    # Enough frames that the difference stands well above start-up noise.
    k=$(( 40000000 / (width * height) ))
    (( k < 10 )) && k=10
    for depth in "${depths[@]}"; do
      for blur in "${blurs[@]}"; do
        for thread_count in "${threads[@]}"; do
          one=$(run_seconds "$size" "$depth" "$blur" "$thread_count" 1)
          again=$(run_seconds "$size" "$depth" "$blur" "$thread_count" 1)
          many=$(run_seconds "$size" "$depth" "$blur" "$thread_count" $((1 + k)))
          seconds=$(awk -v a="$one" -v a2="$again" -v b="$many" -v k="$k" \
            'BEGIN { if (a2 < a) a = a2; printf "%.6f", (b - a) / k }')
          row="ffmpeg $size depth $depth blur $blur threads $thread_count"
          if awk -v s="$seconds" 'BEGIN { exit !(s > 0) }'; then
            printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$width" "$height" "$depth" "$blur" "$thread_count" "$seconds"
            echo "$row: $seconds s" >&2
          else
            echo "$row: left out, the start-up noise outweighed $k frames" >&2
          fi
        done
      done
    done
  done
} >"$out"
