#!/usr/bin/env bash
# Runs the whole benchmark and rewrites bench/RESULTS.md: installs what is
# missing, builds the benchmark, times the ffmpeg peer, then the effect.
#
# The matrix can be narrowed for a quick try, e.g.
#   IRX_BENCH_SIZES=320x240 IRX_BENCH_RESULTS=/tmp/r.md bash bench/run.sh
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
for name in IRX_BENCH_FRAMES IRX_BENCH_THREADS IRX_BENCH_BLURS IRX_BENCH_DEPTHS IRX_BENCH_SIZES; do
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
bash "$root/bench/peer-ffmpeg.sh" "$build/bench/peer.tsv" "$sizes" "$depths" "$blurs" "$threads"
peer_seconds=$((SECONDS - bench_start))
# The module's own diagnostics (its context information blocks) go to the log.
"$build/bench/irx_bench" --sizes "$sizes" --depths "$depths" --blurs "$blurs" \
  --threads "$threads" --frames "$frames" \
  --peer "$build/bench/peer.tsv" --peer-seconds "$peer_seconds" \
  --load-average "$load_average" --results "$results" --command "$command" \
  >"$build/bench/module-output.log"
echo "benchmark ran $((SECONDS - bench_start)) s; results in $results" >&2
