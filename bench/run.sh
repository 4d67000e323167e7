#!/usr/bin/env bash
# Runs the whole benchmark and rewrites bench/RESULTS.md: installs what is
# missing, builds the benchmark, times the ffmpeg peer, then the effect. The
# sections of bench/host-side.sh and bench/sequence.sh (whole sequences
# through irisplit) are kept.
#
# The matrix can be narrowed for a quick try, e.g.
#   IRX_BENCH_SIZES=320x240 IRX_BENCH_RESULTS=/tmp/r.md bash bench/run.sh
# The rows without huge pages use the last size, at blur 0 on one thread;
# IRX_BENCH_SMALL_PAGES=0 leaves them out.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${IRX_BUILD_DIR:-$root/build}"
sizes="${IRX_BENCH_SIZES:-1280x720,1920x1080,3840x2160}"
depths="${IRX_BENCH_DEPTHS:-8,16,float}"
blurs="${IRX_BENCH_BLURS:-0,10,100}"
threads="${IRX_BENCH_THREADS:-1,2}"
frames="${IRX_BENCH_FRAMES:-5}"
results="${IRX_BENCH_RESULTS:-$root/bench/RESULTS.md}"

# The report names the command that reproduces it, narrowing included.
command="bash bench/run.sh"
for name in IRX_BENCH_SMALL_PAGES IRX_BENCH_FRAMES IRX_BENCH_THREADS IRX_BENCH_BLURS IRX_BENCH_DEPTHS IRX_BENCH_SIZES; do
  if [ -n "${!name:-}" ]; then
    command="$name=${!name} $command"
  fi
done

load_average=$(cut -d' ' -f1-3 /proc/loadavg)
start=$SECONDS
bash "$root/scripts/install-deps.sh"
bash "$root/bench/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${IRX_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" --target irx_bench --parallel "$(nproc)"
echo "built in $((SECONDS - start)) s" >&2

bench_start=$SECONDS
mkdir -p "$build/bench"
# Every frame allocates frame-sized blocks afresh; on a virtual machine that
# faults them in 4 KiB at a time the faults would outweigh the frame's own work.
# Both the peer and the table therefore run with glibc's huge pages for large
# blocks, and a few rows are measured without them for comparison.
huge_pages=glibc.malloc.hugetlb=1
GLIBC_TUNABLES=$huge_pages bash "$root/bench/peer-ffmpeg.sh" "$build/bench/peer.tsv" \
  "$sizes" "$depths" "$blurs" "$threads"
small_page_rows=()
if [ "${IRX_BENCH_SMALL_PAGES:-1}" != 0 ]; then
  "$build/bench/irx_bench" --sizes "${sizes##*,}" --depths "$depths" --blurs 0 --threads 1 \
    --frames "$frames" --no-bandwidth --rows-out "$build/bench/small-pages.tsv" \
    >"$build/bench/small-pages-output.log"
  small_page_rows=(--small-page-rows "$build/bench/small-pages.tsv")
fi
seconds_before=$((SECONDS - bench_start))
# The sections from "## Host side" (bench/host-side.sh's figures) or else
# "## Sequences" (bench/sequence.sh's) to the end are measured apart; they stay.
kept=""
if [ -f "$results" ]; then
  kept=$(sed -n '/^## \(Host side\|Sequences\)$/,$p' "$results")
fi
# The module's own diagnostics (its context information blocks) go to the log.
GLIBC_TUNABLES=$huge_pages "$build/bench/irx_bench" --sizes "$sizes" --depths "$depths" \
  --blurs "$blurs" --threads "$threads" --frames "$frames" \
  --peer "$build/bench/peer.tsv" "${small_page_rows[@]}" --seconds-before "$seconds_before" \
  --load-average "$load_average" --results "$results" --command "$command" \
  >"$build/bench/module-output.log"
if [ -n "$kept" ]; then
  printf '\n%s\n' "$kept" >>"$results"
fi
echo "benchmark ran $((SECONDS - bench_start)) s; results in $results" >&2
