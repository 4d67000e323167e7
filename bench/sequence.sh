#!/usr/bin/env bash
# Times whole sequence renders as a user types them: irisplit against its
# peers on the same PNG frames (24 frames of 1920x1080 at 8 bits: the sample
# picture scaled up and panned 8 pixels a frame), at blur 0 and blur 10, wall
# time and peak memory side by side in one run. Writes the section
# "## Sequences" at the end of bench/RESULTS.md (bench/run.sh keeps it).
#
#   IRX_SEQUENCE_REPEATS  runs of each job; the median counts (default 3)
#   IRX_BENCH_RESULTS     the results file (default bench/RESULTS.md)
#
# A job is one line of JOBS below: its name, a bar, and the command, which
# runs with $in and $out (printf-style numbered PNG names), $frames, $position,
# $blur (the effect's reach in pixels) and $sigma (the Gaussian's sigma that
# matches it, blur/sqrt(2)) set. A peer is one more line. The first job whose
# name starts with "ffmpeg rgbashift" is the reference of the ratio column.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${IRX_BUILD_DIR:-$root/build}"
results="${IRX_BENCH_RESULTS:-$root/bench/RESULTS.md}"
repeats="${IRX_SEQUENCE_REPEATS:-3}"
frames=24
position=6
# ffmpeg's rgbashift moves red by -position and blue by +position, as the
# effect's Red & Blue pair does; gblur then softens those two planes.
read -r -d '' JOBS <<'EOF' || true
irisplit|"$irisplit" render "$in" "$out" --frames "1-$frames" --position "$position" --blur "$blur" -q
irisplit, 2 render threads|"$irisplit" render "$in" "$out" --frames "1-$frames" --position "$position" --blur "$blur" -q --threads 2
ffmpeg rgbashift|ffmpeg -nostdin -loglevel error -y -i "$in" -vf "$(ffmpeg_filters)" "$out"
ffmpeg rgbashift, PNG as irisplit writes it|ffmpeg -nostdin -loglevel error -y -i "$in" -vf "$(ffmpeg_filters)" -pred mixed -compression_level 4 "$out"
ffmpeg with the irisplit frei0r filter|FREI0R_PATH="$frei0r" ffmpeg -nostdin -loglevel error -y -i "$in" -vf "$(frei0r_filter)" "$out"
EOF

ffmpeg_filters() {
  local filters="rgbashift=rh=-$position:rv=-$position:bh=$position:bv=$position"
  if [ "$blur" != 0 ]; then
    filters+=",gblur=sigma=$sigma:planes=6"
  fi
  echo "$filters"
}

# The same settings through the frei0r plug-in, whose controls take 0 to 1:
# Channels 0 is Red & Blue, Position maps -2000..2000 px, Rotation 0.5 is 0
# degrees, Scale 0.55 is 100 %, Blur maps 0..1000 px.
frei0r_filter() {
  awk -v p="$position" -v b="$blur" 'BEGIN { printf "frei0r=irisplit:0|%.6f|0.5|0.55|%.6f", (p + 2000) / 4000, b / 1000 }'
}

bash "$root/scripts/install-deps.sh"
bash "$root/bench/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${IRX_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" --target irisplit irx_frei0r --parallel "$(nproc)"
irisplit="$build/irisplit"
frei0r="$build/lib/frei0r-1"

work="$build/bench/sequence"
in="$work/in.%04d.png"
out="$work/out/frame.%04d.png"
mkdir -p "$work/out"
if [ ! -f "$(printf "$in" "$frames")" ]; then
  ffmpeg -nostdin -loglevel error -y -loop 1 -i "$root/samples/lake.png" \
    -vf "scale=2112:1188:flags=bicubic,crop=1920:1080:x=8*n:y=4*n" -frames:v "$frames" "$in"
fi

# "seconds peak-KiB output-MB" of one run of a job's command.
measure() {
  rm -f "$work"/out/*
  /usr/bin/time -f "%e %M" -o "$work/time.txt" bash -c "$1"
  echo "$(cat "$work/time.txt") $(du -sm "$work/out" | cut -f1)"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
rows=()
for blur in 0 10; do
  sigma=$(awk -v r="$blur" 'BEGIN { printf "%.4f", r / sqrt(2) }')
  export irisplit frei0r in out frames position blur sigma
  export -f ffmpeg_filters frei0r_filter
  declare -A seconds=() memory=() sizes=()
  # Rounds over all jobs, so that a change of load touches every job alike.
  for ((round = 1; round <= repeats; round++)); do
    while IFS='|' read -r name command; do
      read -r s m o <<<"$(measure "$command")"
      seconds[$name]+="$s "
      memory[$name]+="$m "
      sizes[$name]=$o
      echo "blur $blur, $name: $s s, $((m / 1024)) MiB" >&2
    done <<<"$JOBS"
  done
  names=() walls=() peaks=()
  reference=""
  while IFS='|' read -r name command; do
    names+=("$name")
    walls+=("$(tr ' ' '\n' <<<"${seconds[$name]}" | grep . | median)")
    peaks+=("$(tr ' ' '\n' <<<"${memory[$name]}" | grep . | sort -n | tail -1)")
    if [ -z "$reference" ] && [[ $name == "ffmpeg rgbashift"* ]]; then
      reference=${walls[-1]}
    fi
  done <<<"$JOBS"
  for i in "${!names[@]}"; do
    ratio=$(awk -v a="${walls[$i]}" -v b="${reference:-0}" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }')
    rows+=("| ${names[$i]} | $blur | ${walls[$i]} | $ratio | $((peaks[i] / 1024)) | ${sizes[${names[$i]}]} |")
  done
  unset seconds memory sizes
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# The section runs from its heading to the end of the file.
section=$(
  cat <<EOF
## Sequences

Whole runs as a user types them, written by \`bash bench/sequence.sh\` on $(date -u '+%Y-%m-%d %H:%M') UTC:
$frames PNG frames of 1920x1080 at 8 bits (the sample picture scaled up and
panned 8 pixels a frame) read, moved apart by $position pixels (Red & Blue),
blurred or not, and written as PNG. Seconds: the median of $repeats runs,
wall clock, start-up included; memory: the largest peak resident size of
those runs; output: what the frames written take on disk. The ratio is to
the first ffmpeg rgbashift row of the same blur. ffmpeg's PNG encoder skips
PNG's row filters unless told otherwise, so it compresses less and sooner;
the second ffmpeg row writes PNG as irisplit does by default (adaptive row
filters, zlib level 4). The frei0r row is ffmpeg running the effect through
this project's frei0r plug-in with the same settings, writing PNG as ffmpeg
does. Load average before and after (1, 5, 15 minutes): $load_before;
$load_after.

| Job | Blur | Seconds | Ratio | Peak memory (MiB) | Output (MB) |
|---|---:|---:|---:|---:|---:|
$(printf '%s\n' "${rows[@]}")
EOF
)
kept=""
if [ -f "$results" ]; then
  kept=$(sed '/^## Sequences$/,$d' "$results")
fi
printf '%s\n\n%s\n' "$kept" "$section" | sed '/./,$!d' >"$results.new"
mv "$results.new" "$results"
echo "sequence timings in $results" >&2
