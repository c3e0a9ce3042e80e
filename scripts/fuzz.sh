#!/usr/bin/env bash
# Long fuzzing run: builds the fuzz preset and runs every target for RUNS inputs (default 10^6),
# JOBS at a time (default 1), niced; new inputs go to build/fuzz-long/<target>, findings (crash-*,
# leak-*, timeout-*) beside them, and one line of figures per target to build/fuzz-long/summary.txt.
# Usage: bash scripts/fuzz.sh [target ...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
runs=${RUNS:-1000000}
jobs=${JOBS:-1}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -- -j2 >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in build/fuzz/tests/fuzz/fuzz_*; do
    [ -x "$f" ] && targets+=("${f##*/fuzz_}")
  done
fi
out=build/fuzz-long
mkdir -p "$out"
: > "$out/summary.txt"

one() {
  local t=$1 dir=$out/$1
  mkdir -p "$dir"
  local start=$SECONDS
  ( cd "$dir" && nice -n 10 "$root/build/fuzz/tests/fuzz/fuzz_$t" -runs="$runs" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 "$root/$dir" "$root/tests/fuzz/corpus/$t" ) >"$dir.log" 2>&1 || true
  local execs findings
  execs=$(grep -m1 'stat::number_of_executed_units' "$dir.log" | awk '{print $2}')
  findings=$(find "$dir" -maxdepth 1 -name 'crash-*' -o -maxdepth 1 -name 'leak-*' -o -maxdepth 1 -name 'timeout-*' -o -maxdepth 1 -name 'oom-*' | wc -l)
  echo "$t executions=${execs:-?} seconds=$((SECONDS - start)) findings=$findings" | tee -a "$out/summary.txt"
}

for t in "${targets[@]}"; do
  one "$t" &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
done
wait
