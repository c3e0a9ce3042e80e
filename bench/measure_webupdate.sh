#!/usr/bin/env bash
# Measures the web update client under Wine against a loopback server: a 10 MB download, a whole
# run (control file and base file), and the longest a message waits for the downloading thread
# during a 2 KB/s download and during a stall. Needs a built mingw64 tree and a Wine session.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/www/update"
head -c 10485760 /dev/urandom >"$work/www/big.bin"
head -c 20000 /dev/urandom >"$work/www/update/slovolovka.txt"
head -c 20480 /dev/urandom >"$work/www/answers.bin"
tmp=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
python3 "$root/tests/webupdate/update_server.py" "$work/www" "$work/port" &
server=$!
for _ in $(seq 100); do [ -f "$work/port" ] && break; sleep 0.05; done
export SLOVO_HTTP_PORT=$(cat "$work/port")
printf '[update]\r\ndate=25/12/2002\r\ntime=10:00\r\n[files]\r\ncount=1\r\n[file1]\r\nurl=http://127.0.0.1:%s/update/slovolovka.txt\r\ntargetdir=%s\r\n' \
  "$SLOVO_HTTP_PORT" "$tmp" >"$work/www/update/bench.INF"
wine "$root/build/mingw64/bench/bench_webupdate.exe" </dev/null
