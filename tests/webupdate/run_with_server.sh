#!/usr/bin/env bash
# Runs a Win32 update test under Wine beside a loopback HTTP server that it starts and stops.
# Usage: run_with_server.sh WINE TEST.EXE [args...]; the test finds the server's folder and port
# in SLOVO_HTTP_ROOT (as a Windows path) and SLOVO_HTTP_PORT.
set -euo pipefail
wine=$1; shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
python3 "$here/update_server.py" "$work/www" "$work/port" &
server=$!
for _ in $(seq 100); do [ -f "$work/port" ] && break; sleep 0.05; done
export SLOVO_HTTP_PORT=$(cat "$work/port")
export SLOVO_HTTP_ROOT="Z:${work//\//\\}\\www"
export SLOVO_MSCOMPRESS_DIR="Z:${work//\//\\}"
# SZDD samples made by Debian's compressor, served beside the control files.
printf 'СЛОВО\r\nПОДСКАЗКА\r\n' | iconv -f UTF-8 -t CP1251 >"$work/www/packed.txt"
mscompress "$work/www/packed.txt"
rm "$work/www/packed.txt"
export SLOVO_PACKED="Z:${work//\//\\}\\www\\packed.txt_"
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
[ -n "${SLOVO_UPD_UNIX:-}" ] && export SLOVO_UPD=$(winpath "$SLOVO_UPD_UNIX")
[ -n "${SLOVO_WAIT_HELPER_UNIX:-}" ] && export SLOVO_WAIT_HELPER=$(winpath "$SLOVO_WAIT_HELPER_UNIX")
"$wine" "$@" </dev/null
