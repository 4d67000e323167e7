#!/usr/bin/env bash
# The frei0r plug-in inside real hosts, headless. Each host's frames must equal,
# byte for byte, what the irisplit tool renders from the same picture with the
# same settings; bad use must leave the frames as they were, with one line on
# standard error per failure however many frames fail. A host of our own
# (CALLING_HOST) calls the plug-in as editors do, from threads that come and
# go, each with a GLX context of its own current.
#   usage: real-hosts.sh bad-use|gstreamer|install|callers|preview-size|thread-starts
#   environment: IRISPLIT (the tool), CALLING_HOST, FREI0R_DIR (the build's
#                lib/frei0r-1 folder), SAMPLE (an 8-bit PNG), BUILD_DIR (for cmake --install),
#                RESOURCE_FAULTS (the preloaded library that fails a thread start)
source "$(dirname "$0")/common.sh"
# GStreamer's registry is the build's own, never the user's: a scan of this
# build's plug-in cannot disturb (or be disturbed by) another.
export GST_REGISTRY=$BUILD_DIR/gst-registry.bin

# frei0r values (0 to 1 each: Channels|Position|Rotation|Scale|Blur, Channels
# rounded to the nearest pair) and the tool options that mean the same.
rows=(
  "0.2|0.5015|0.505555555555556|0.5505|0.003 --channels red-blue --position 6 --rotation 2 --scale 101 --blur 3"
  "0.3|0.4975|0.45|0.45|0 --channels red-green --position -10 --rotation -18 --scale -100"
  "1|0.5|0.5|0.55|0.01 --channels green-blue --position 0 --blur 10"
)

# Bad use leaves the frames as they were, with the one line given (nothing
# at all on standard error when empty) however many frames fail, and a line for
# each of several failures in one process. A render farm's job asks for a GPU where
# there is only the software renderer: the module refuses it at global setup;
# at 2 frames a second setup is tried again, and that must not repeat anything.
case_bad-use() {
  mkdir -p "$work/alone/frei0r-1"
  cp "$FREI0R_DIR/irisplit.so" "$work/alone/frei0r-1/"
  ffmpeg -v error -i "$SAMPLE" -vf crop=1:1:300:200 "$work/one.png"
  local gpu='IRISPLIT_REQUIRE_GPU=1, but the renderer is a software one: llvmpipe'
  # plug-in folder; environment; ffmpeg input; frei0r values; the line expected
  # once ("" none), with nothing else
  local cases=(
    "$work/alone/frei0r-1;;-loop 1 -i $SAMPLE;0|0.6;cannot load the effect module '$work/alone/irisplit/IRX GL.so'"
    "$FREI0R_DIR;;-loop 1 -i $SAMPLE;0|nan|0.5|1.5;Position is nan, Scale is 1.5: outside 0 to 1"
    "$FREI0R_DIR;;-loop 1 -i $SAMPLE;-0.1|0.6;Channels is -0.1: outside 0 to 1"
    "$FREI0R_DIR;;-f lavfi -i testsrc=size=16400x4;0|0.6;rendering a 16400x4 frame failed"
    "$FREI0R_DIR;LD_PRELOAD=$RESOURCE_FAULTS IRX_FAIL_ALLOCATIONS_FROM=4194304;-f lavfi -i testsrc=size=1024x1024;0|0.6;a 1024x1024 frame failed: out of memory"
    "$FREI0R_DIR;;-loop 1 -i $work/one.png;0|0.6|0.6|0.6|0.01;"
    "$FREI0R_DIR;IRISPLIT_REQUIRE_GPU=1;-re -framerate 2 -loop 1 -i $SAMPLE;0|0.6;global setup failed: host result code 4 (EGL: $gpu"
  )
  local row folder environment input values line
  for row in "${cases[@]}"; do
    IFS=';' read -r folder environment input values line <<<"$row"
    ffmpeg -v error -y $input -frames:v 4 -f rawvideo -pix_fmt rgba "$work/want.rgba"
    env FREI0R_PATH="$folder" $environment ffmpeg -v error -y $input -frames:v 4 -vf "frei0r=irisplit:$values" \
      -f rawvideo -pix_fmt rgba "$work/got.rgba" 2>"$work/log" || fail "$values: ffmpeg failed: $(cat "$work/log")"
    cmp -s "$work/got.rgba" "$work/want.rgba" || fail "$values: the frames were changed"
    if [ -z "$line" ]; then
      [ ! -s "$work/log" ] || fail "$values: wrote on standard error: $(cat "$work/log")"
    elif [ "$(wc -l <"$work/log")" != 1 ] || ! grep -qF "irisplit: $line" "$work/log" ||
      ! grep -q 'through unchanged' "$work/log"; then
      fail "$values: expected the one line 'irisplit: $line...', got: $(cat "$work/log")"
    fi
  done
  ffmpeg -v error -loop 1 -i "$SAMPLE" -frames:v 3 -vf "frei0r=irisplit:0|2,frei0r=irisplit:0|0.5|0.5|2" -f null - 2>"$work/log"
  [ "$(grep -c 'is 2: outside 0 to 1' "$work/log")" = 2 ] || fail "two failures in one process: $(cat "$work/log")"
}

# A render thread that cannot start (the first, and the last: the ones
# started end first) never takes the host down: frames pass through with one
# line naming it, 0.4 s on too (set-up is tried again at most once a second),
# and 1.2 s on the effect renders.
case_thread-starts() {
  local start size=$((64 * 48 * 4)) options=${rows[0]#* }
  ffmpeg -v error -i "$SAMPLE" -vf crop=64:48 "$work/small.png"
  SAMPLE=$work/small.png expected "$work/rendered.rgba" 1 $options
  for start in 1 "$(getconf _NPROCESSORS_ONLN)"; do
    LD_PRELOAD="$RESOURCE_FAULTS" IRX_FAIL_THREAD_START="$start" gst-launch-1.0 -q filesrc location="$work/small.png" \
      ! pngdec ! imagefreeze num-buffers=4 ! identity sleep-time=400000 ! videoconvert ! frei0r-filter-irisplit \
      position=0.5015 rotation=0.505555555555556 scale=0.5505 blur=0.003 ! videoconvert ! video/x-raw,format=RGBA \
      ! filesink location="$work/got.rgba" >"$work/log" 2>&1 || fail "thread start $start: $(cat "$work/log")"
    cmp -s <(head -c $((2 * size)) "$work/got.rgba") <(raw "$work/small.png" "$work/small.png") &&
      cmp -s <(tail -c "$size" "$work/got.rgba") "$work/rendered.rgba" &&
      [ "$(grep -cvE '^(OpenGL .*)?$' "$work/log")" = 1 ] && grep -q '^irisplit: cannot start a render thread' "$work/log" ||
      fail "thread start $start: frames not passed through, then rendered, with one line: $(cat "$work/log")"
  done
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

case_callers() {
  # 200 threads in turn, each with the host's GLX context current; its std::cout is its own.
  local values options width height
  read -r values options <<<"${rows[0]}"
  read -r width height < <(sample_size)
  raw "$SAMPLE" >"$work/in.rgba"
  xvfb-run -a "$CALLING_HOST" "$FREI0R_DIR/irisplit.so" "$work/in.rgba" "$width" "$height" 200 "$work/got.rgba" \
    "$values" >"$work/out" 2>"$work/log" || fail "callers: $(cat "$work/log")"
  no_report "$work/log" callers
  [ "$(cat "$work/out")" = "200 callers rendered" ] || fail "callers: the host's own standard output: $(cat "$work/out")"
  expected "$work/want.rgba" 1 $options
  same "$work/got.rgba" "$work/want.rgba" callers
}

# Frame width at editors' widths (0.0192 × 100000 is 1919.99... in double) and at 1 px: a frame handed
# over renders as the tool renders at the factor between them; a half-size one in melt looks the same.
case_preview-size() {
  local row meant handed whole width height
  # Frame width between whole pixels is rounded to the nearest (1920.4 to 1920).
  for row in "1280 640" "1920 1920" "3840 1920" "7680 3840" "1 64" "1920.4 960 1920"; do
    read -r meant handed whole <<<"$row"
    ffmpeg -v error -f lavfi -i "testsrc=size=${handed}x160" -frames:v 1 -y "$work/in.png"
    ffmpeg -v error -i "$work/in.png" -vf "frei0r=irisplit:0|0.53125|0.5|0.55|0.004|$(frame_width "$meant")" \
      -f rawvideo -pix_fmt rgba -y "$work/got.rgba" 2>"$work/log" || fail "preview-size: $(cat "$work/log")"
    SAMPLE=$work/in.png expected "$work/want.rgba" 1 --position 125 --blur 4 --downsample "$handed/${whole:-$meant}"
    same "$work/got.rgba" "$work/want.rgba" "preview-size, $handed px handed over for $meant"
  done
  melt_profile
  read -r width height < <(sample_size)
  # Position 20 px of the profile's frame, which Frame width names.
  melt_raw "$work/half.rgba" "real_time=-1 width=$((width / 2)) height=$((height / 2))" -profile "$work/profile" \
    "$(picture "$SAMPLE")" out=0 -attach frei0r.irisplit Position=0.505 "Frame width=$(frame_width "$width")"
  "$IRISPLIT" render "$SAMPLE" "$work/tool.png" --position 20 --quiet >/dev/null
  looks_the_same "$work/half.rgba" "$work/tool.png" $((width / 2)) $((height / 2)) "preview-size at half size"
}

# The installed tree alone: the tool finds its module under the prefix, ffmpeg
# and melt find the plug-in and the plug-in its module, the build tree unused.
case_install() {
  local prefix=$work/prefix file row values options
  cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null
  for file in bin/irisplit lib/frei0r-1/irisplit.so "lib/irisplit/IRX GL.so" share/kdenlive/effects/{,frei0r_}irisplit.xml \
    share/shotcut/qml/filters/irisplit{,_frei0r}/{meta,ui}.qml; do
    [ -f "$prefix/$file" ] && [ ! -L "$prefix/$file" ] || fail "install: no $file"
  done
  [ "$(ls "$prefix/lib/frei0r-1")" = irisplit.so ] || fail "install: more than the plug-in in frei0r-1/"
  IRISPLIT=$prefix/bin/irisplit
  "$IRISPLIT" info | grep -qxF "Module: $prefix/lib/irisplit/IRX GL.so" || fail "install: the tool uses another module"
  # The plug-in linked into a folder of the user's finds the module beside its real file.
  mkdir "$work/linked"
  ln -s "$prefix/lib/frei0r-1/irisplit.so" "$work/linked/"
  export FREI0R_PATH=$work/linked
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
  # Position keyed from 0 px at frame 0 to 16 px at frame 5, rendered on three
  # threads at once (real_time=-3: MLT gives each thread its own instance).
  melt_profile
  melt_raw "$work/got.rgba" real_time=-3 -profile "$work/profile" "$(picture "$SAMPLE")" out=5 \
    -attach frei0r.irisplit "Position=0=0.5;5=0.504"
  expected "$work/want.rgba" 1-6 --position 1:0,6:16
  same "$work/got.rgba" "$work/want.rgba" melt
  # The MLT filter, linked into a repository beside MLT's own modules, finds
  # its module and its description beside its real file.
  local mlt_filter=("$prefix"/lib/*/mlt-7/libmltirisplit.so)
  [ -f "${mlt_filter[0]}" ] && [ -f "$prefix/share/mlt-7/irisplit/filter_irisplit.yml" ] || fail "install: no MLT filter"
  mkdir "$work/repository"
  ln -s "${mlt_filter[0]}" "$work/repository/"
  find "$(pkg-config --variable=moduledir mlt-framework-7)" -name 'libmlt*.so' ! -name libmltirisplit.so \
    -exec ln -s {} "$work/repository/" \;
  export MLT_REPOSITORY=$work/repository
  melt -query filter=irisplit | grep -qx "title: Irisplit" || fail "install: MLT does not describe the filter"
  melt_raw "$work/got.rgba" real_time=-3 -profile "$work/profile" "$(picture "$SAMPLE")" out=5 -attach irisplit "position=0=0;5=16"
  same "$work/got.rgba" "$work/want.rgba" "melt, MLT filter"
}

"case_$1"
