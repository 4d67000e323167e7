#!/usr/bin/env bash
# The irisplit MLT filter in melt, the build tree's module serving through
# MLT_REPOSITORY. Frames must equal, byte for byte, what the irisplit tool
# renders with the same keyframes, on any number of MLT threads and filters;
# previews must look like the full frame scaled down; a good render writes
# nothing on standard error unless asked to, a failing one one line.
#   usage: native.sh render|preview-size|limits
#   environment: IRISPLIT (the tool), FREI0R_DIR, SAMPLE (an 8-bit PNG),
#                MLT_REPOSITORY (the build's lib/<multiarch>/mlt-7), PREVIEW_HOST
source "$(dirname "$0")/../frei0r/common.sh"

case_render() {
  melt_profile
  # Two filters, the first leaving the frame as it is, on three threads;
  # position and blur keyed over 9 frames.
  melt_raw "$work/got.rgba" real_time=-3 -quiet -profile "$work/profile" "$(picture "$SAMPLE")" out=8 \
    -attach irisplit position=0 -attach irisplit channels=2 rotation=3 scale=102 \
    "position=0=0;4=12;8=-6" "blur=0=0;8=4"
  [ ! -s "$work/log" ] || fail "render: wrote on standard error: $(cat "$work/log")"
  expected "$work/want.rgba" 1-9 --channels green-blue --rotation 3 --scale 102 --position 1:0,5:12,9:-6 --blur 1:0,9:4
  same "$work/got.rgba" "$work/want.rgba" render
  # Asked for (anything but "" and "0"), the effect's diagnostics reach standard error.
  for diagnostics in "" 0 1; do
    IRISPLIT_DIAGNOSTICS=$diagnostics melt_raw "$work/got.rgba" "" -quiet -profile "$work/profile" "$(picture "$SAMPLE")" \
      out=0 -attach irisplit
    [ "$(grep -m1 -c "OpenGL Renderer" "$work/log")" = "$((diagnostics))" ] || fail "render: IRISPLIT_DIAGNOSTICS='$diagnostics'"
  done
}

# Position in pixels of the profile's frame: a frame asked for at half the
# profile's size (PREVIEW_HOST, as an editor's preview asks) looks like the
# full one scaled down, at the sample's size and after the profile's width
# has changed.
case_preview-size() {
  local width height size
  read -r width height < <(sample_size)
  for size in "$width $height" "$((width * 3 / 4)) $((height * 3 / 4))"; do
    read -r width height <<<"$size"
    melt_profile "$width" "$height"
    melt_raw "$work/full.rgba" real_time=-1 -profile "$work/profile" "$(picture "$SAMPLE")" out=0 -attach irisplit position=20
    ffmpeg -v error -y -f rawvideo -pix_fmt rgba -s "${width}x$height" -i "$work/full.rgba" "$work/full.png"
    "$PREVIEW_HOST" "$work/profile" "$(picture "$SAMPLE")" $((width / 2)) $((height / 2)) "$work/half.rgba" position=20 \
      2>"$work/log" || fail "preview-size: $(cat "$work/log")"
    no_report "$work/log" preview-size
    looks_the_same "$work/half.rgba" "$work/full.png" $((width / 2)) $((height / 2)) "preview-size, profile $size"
  done
}

# melt on a small frame with these filter properties: the failure lines in $work/log.
small_render() { # properties...
  melt_frames "$work/small.rgba" "" -quiet -profile "$work/profile" "$(picture "$work/small.png")" out=1 -attach irisplit "$@"
}

# The described ranges and defaults are the effect's: every limit renders,
# one past it (every other control below its minimum) fails the frame with one
# line naming the effect's range, and the described defaults render as no properties do.
case_limits() {
  local rows row id min max def over low=() high=() past=() defaults=() line=""
  mapfile -t rows < <(mlt_parameters)
  [ "${#rows[@]}" = 5 ] || fail "limits: described ${#rows[@]} parameters"
  ffmpeg -v error -i "$SAMPLE" -vf scale=32:18 "$work/small.png"
  melt_profile 32 18
  for row in "${rows[@]}"; do
    IFS='|' read -r id min max def _ <<<"$row"
    over=$(awk -v min="$min" -v max="$max" -v i="${#past[@]}" 'BEGIN { print i % 2 ? min - 1 : max + 1 }')
    low+=("$id=$min") high+=("$id=$max") past+=("$id=$over") defaults+=("$id=$def")
    line+="${line:+, }$id is $over ($min to $max)"
  done
  small_render "${low[@]}" && [ ! -s "$work/log" ] || fail "limits: the minima failed: $(cat "$work/log")"
  small_render "${high[@]}" && [ ! -s "$work/log" ] || fail "limits: the maxima failed: $(cat "$work/log")"
  small_render "${past[@]}"
  [ "$(cat "$work/log")" = "irisplit: $line: frames pass through unchanged until back in range" ] ||
    fail "limits: past the described limits, not the one line expected: $(cat "$work/log")"
  # A value past its limit that changes from frame to frame is one failure: one line.
  small_render "position=0=-3000;1=-2500"
  [ "$(grep -c 'position is -' "$work/log")" = 1 ] || fail "limits: a keyframed value past its limit: $(cat "$work/log")"
  small_render "${defaults[@]}" && cp "$work/small.rgba" "$work/described.rgba"
  small_render && same "$work/small.rgba" "$work/described.rgba" "limits: the described defaults"
}

"case_$1"
