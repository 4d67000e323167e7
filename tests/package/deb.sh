#!/usr/bin/env bash
# The Debian package as cpack makes it: lintian reports no error and no warning,
# and its stripped tool and filter render the frames of the build tree's tool.
#   environment: IRISPLIT (the build tree's tool), FREI0R_DIR, SAMPLE, BUILD_DIR
source "$(dirname "$0")/../frei0r/common.sh"
cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$work" >"$work/log" 2>&1 || fail "cpack: $(cat "$work/log")"
deb=$(echo "$work"/irisplit_*.deb)
lintian --fail-on error,warning "$deb" >"$work/log" 2>&1 || fail "lintian: $(cat "$work/log")"

dpkg-deb -x "$deb" "$work/root"
options=(--channels green-blue --position 10 --rotation 3 --scale 102 --blur 2)
expected "$work/want.rgba" 1 "${options[@]}"
IRISPLIT=$work/root/usr/bin/irisplit expected "$work/tool.rgba" 1 "${options[@]}"
same "$work/tool.rgba" "$work/want.rgba" "the packaged tool"
FREI0R_PATH=$work/root/usr/lib/frei0r-1 ffmpeg -v error -i "$SAMPLE" -f rawvideo -pix_fmt rgba \
  -vf "frei0r=irisplit:1|0.5025|0.5083333333333333|0.551|0.002" "$work/filter.rgba" || fail "ffmpeg failed"
same "$work/filter.rgba" "$work/want.rgba" "the packaged filter"
