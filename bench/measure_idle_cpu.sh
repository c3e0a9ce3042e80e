#!/usr/bin/env bash
# CPU of the game under Wine over 30 s, read from /proc: while the starfield runs (a 1 s test
# idle period, so it shows at once) and while idle with the status clock running (watching off).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-30}
if [ -z "${SLOVO_NO_BUILD:-}" ]; then
  cmake --preset mingw64 >/dev/null
  cmake --build --preset mingw64 --target Slovolovka >/dev/null
fi
source scripts/wine-session.sh
wine_session_start virtual
trap wine_session_end EXIT
game="$root/build/mingw64/game/win32/Slovolovka.exe"
hz=$(getconf CLK_TCK)

# utime + stime of one process, in clock ticks.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

measure() {
  local label=$1 interval=$2 pid= started
  SLOVO_TEST_IDLE_INTERVAL=$interval wine "$game" </dev/null >/dev/null 2>&1 &
  started=$!
  for _ in $(seq 100); do
    for p in $(pgrep -f 'Slovolovka.exe' || true); do
      if [ "$(cat "/proc/$p/comm" 2>/dev/null)" = Slovolovka.exe ]; then pid=$p; break; fi
    done
    [ -n "$pid" ] && break
    sleep 0.1
  done
  [ -n "$pid" ] || { echo "the game did not start"; exit 1; }
  sleep 5 # start-up and, for the starfield, the idle period
  local t0 t1
  t0=$(ticks "$pid")
  sleep "$seconds"
  t1=$(ticks "$pid")
  awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$seconds" -v l="$label" \
    'BEGIN { printf "%s: %.2f %% of a core over %d s\n", l, 100 * d / hz / s, s }'
  kill "$pid" 2>/dev/null || true
  wait "$started" 2>/dev/null || true
  # Gone for good, so the next start is no second instance.
  while [ -e "/proc/$pid" ]; do sleep 0.2; done
  sleep 1
}

measure "starfield running" 1
measure "idle, clock running" 0
