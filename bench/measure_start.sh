#!/usr/bin/env bash
# Measures the game's start under Wine: in process for the built-in base and for a base of
# 10^5 entries, and as a real process (launch to first puzzle against a bare window program in
# the same run, their ratio, the libraries each has loaded by then, peak memory). The medians
# follow the machine's load (both programs are launched alternately); the minima are steadier.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 >/dev/null
export SLOVO_WINE_UNMANAGED=0
source scripts/wine-session.sh
wine_session_start virtual
trap wine_session_end EXIT
b=build/mingw64/bench
# The start shows the first puzzle, not the choice an updated base (left by the tests) would ask.
rm -f "$WINEPREFIX/drive_c/windows/data/words.txt" "$WINEPREFIX/drive_c/windows/data/hints.txt"
wine "$b/bench_startup.exe" 0 30
wine "$b/bench_startup.exe" 100000 10
wine "$b/bench_startup.exe" 0 1 >/dev/null   # leave the built-in base in place
wine "$b/bench_markup_gdi.exe"
wine "$b/bench_launch.exe" "$root/build/mingw64/game/win32/Slovolovka.exe" "$root/$b/bench_bare_window.exe" 15
