# Sourced: a private Wine prefix under build/, a virtual X display when needed and one
# persistent wineserver for the whole session. Call wine_session_end when done.

SLOVO_ROOT=${SLOVO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$SLOVO_ROOT/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
SLOVO_XVFB_PID=

# Starts Xvfb on the first free display when there is no display or one is asked for.
wine_session_display() {
  local want_virtual=${1:-auto}
  if [ "$want_virtual" = auto ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return
  fi
  local n=${SLOVO_XVFB_BASE:-90}
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  SLOVO_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# A new prefix does not see the fonts of Debian's fonts-wine (Tahoma, MS Sans Serif, Marlett):
# the layout was made for them, so every prefix gets its own copies.
wine_session_fonts() {
  local src=/usr/share/wine/fonts dst="$WINEPREFIX/drive_c/windows/Fonts" f
  [ -d "$src" ] || return 0
  mkdir -p "$dst"
  for f in "$src"/*; do
    [ -e "$dst/$(basename "$f")" ] || cp "$f" "$dst/"
  done
}

wine_session_start() {
  wine_session_display "${1:-auto}"
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  elif [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ] && [ -x /usr/lib/wine/wine ]; then
    # Made before Wine's 32-bit half was there: give it the 32-bit system for the i686 tests.
    wineboot -u >/dev/null 2>&1 || true
    wineserver -w
  fi
  wine_session_fonts
  # Its streams go to /dev/null: a server holding a captured pipe would keep it open forever.
  wineserver -p </dev/null >/dev/null 2>&1 &
  sleep 0.3
  # The first program starts Wine's own services, which outlive it; started here they hold
  # /dev/null rather than a test runner's output pipe.
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  # The program asks for MS Sans Serif in the Russian character set: register the Russian
  # bitmap face as a Russian system does, or Wine substitutes a wider outline font.
  # Both registry views: the 64-bit and the 32-bit game each read their own.
  local view
  for view in /reg:64 /reg:32; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'MS Sans Serif' /d sserifer.fon /f $view \
      </dev/null >/dev/null 2>&1 || true
  done
  # Xvfb has no window manager: unmanaged windows spare Wine its 2 s wait for one on every
  # hide. They cost more to create, so measurements run managed (SLOVO_WINE_UNMANAGED=0).
  if [ "${SLOVO_WINE_UNMANAGED:-1}" = 1 ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
  else
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f </dev/null >/dev/null 2>&1 || true
  fi
}

wine_session_end() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$SLOVO_XVFB_PID" ]; then
    kill "$SLOVO_XVFB_PID" 2>/dev/null || true
    wait "$SLOVO_XVFB_PID" 2>/dev/null || true
  fi
}
