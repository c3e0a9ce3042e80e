#!/usr/bin/env bash
# Sets up everything, builds the game and starts it under Wine. Without a display it runs on a
# virtual one inside a Wine desktop, saves a screenshot, prints its path and ends.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh
mkdir -p build
cmake --preset mingw64 >build/configure-mingw64.log 2>&1 || { cat build/configure-mingw64.log; exit 1; }
cmake --build --preset mingw64 --target Slovolovka >build/build-game.log 2>&1 || { tail -n 60 build/build-game.log; exit 1; }
game=build/mingw64/game/win32/Slovolovka.exe

# A person's desktop has a window manager: the game's window stays managed there.
export SLOVO_WINE_UNMANAGED=0
source scripts/wine-session.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  wine_session_start
  trap wine_session_end EXIT
  echo "The game keeps its word base and settings in C:\\Windows\\data of the Wine prefix:"
  echo "  $WINEPREFIX/drive_c/windows/data"
  echo "Start it again with: bash scripts/run-game.sh"
  echo "  (or, built already: WINEPREFIX=$WINEPREFIX wine $root/$game)"
  wine "$game"
  exit 0
fi

wine_session_start virtual
trap wine_session_end EXIT
shot="$root/build/screenshots/slovolovka.png"
mkdir -p "$(dirname "$shot")"
wine explorer /desktop=Slovolovka,1024x768 "$game" </dev/null >/dev/null 2>&1 &
# Wait for the first puzzle to be on screen.
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q 'Slovolovka' && break
  sleep 0.1
done
sleep 4
import -window root "$shot"
echo "Screenshot: $shot"
