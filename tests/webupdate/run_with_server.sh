#!/usr/bin/env bash
# Runs a Win32 update test under Wine beside loopback HTTP, HTTPS and FTP servers that it starts
# and stops. The HTTPS server's certificate is made here; the test trusts it only inside its own
# Wine prefix (SLOVO_HTTPS_CERT, DER) and removes it again.
# Usage: run_with_server.sh WINE TEST.EXE [args...]; the test finds the served folder in
# SLOVO_HTTP_ROOT (a Windows path) and the ports in SLOVO_HTTP_PORT and SLOVO_HTTPS_PORT.
set -euo pipefail
wine=$1; shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
servers=()
mkdir -p "$work/www"
trap 'for p in "${servers[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -addext subjectAltName=DNS:localhost \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
openssl x509 -in "$work/cert.pem" -outform DER -out "$work/cert.der"
python3 "$here/update_server.py" "$work/www" "$work/port" &
servers+=($!)
python3 "$here/update_server.py" "$work/www" "$work/sport" "$work/cert.pem" "$work/key.pem" &
servers+=($!)
# Debian's pyftpdlib belongs to the system's Python.
/usr/bin/python3 "$here/ftp_server.py" "$work/www" "$work/fport" &
servers+=($!)
for _ in $(seq 100); do [ -f "$work/port" ] && [ -f "$work/sport" ] && [ -f "$work/fport" ] && break; sleep 0.05; done
export SLOVO_FTP_PORT=$(cat "$work/fport")
export SLOVO_HTTP_PORT=$(cat "$work/port")
export SLOVO_HTTPS_PORT=$(cat "$work/sport")
export SLOVO_HTTPS_CERT="Z:${work//\//\\}\\cert.der"
export SLOVO_HTTP_ROOT="Z:${work//\//\\}\\www"
# SZDD samples made by Debian's compressor, served beside the control files.
printf 'СЛОВО\r\nПОДСКАЗКА\r\n' | iconv -f UTF-8 -t CP1251 >"$work/www/packed.txt"
mscompress "$work/www/packed.txt"
rm "$work/www/packed.txt"
export SLOVO_PACKED="Z:${work//\//\\}\\www\\packed.txt_"
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
[ -n "${SLOVO_UPD_UNIX:-}" ] && export SLOVO_UPD=$(winpath "$SLOVO_UPD_UNIX")
[ -n "${SLOVO_WAIT_HELPER_UNIX:-}" ] && export SLOVO_WAIT_HELPER=$(winpath "$SLOVO_WAIT_HELPER_UNIX")
"$wine" "$@" </dev/null
