#!/usr/bin/env bash
# Runs a Win32 update test under Wine beside loopback HTTP, HTTPS and FTP servers that it starts
# and stops. The HTTPS server's certificate and the test CA that signs it are made here; the test
# trusts the CA only inside its own Wine prefix (SLOVO_HTTPS_CA, DER) and removes it again.
# Usage: run_with_server.sh WINE TEST.EXE [args...]; the test finds the served folder in
# SLOVO_HTTP_ROOT (a Windows path) and the ports in SLOVO_HTTP_PORT, SLOVO_HTTPS_PORT (trusted
# through the CA) and SLOVO_HTTPS_UNTRUSTED_PORT (a self-signed certificate).
set -euo pipefail
wine=$1; shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
servers=()
mkdir -p "$work/www"
trap 'for p in "${servers[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
# A test CA of this run only, and the server's certificate signed by it for both loopback names.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Slovolovka test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$work/ca.key" -out "$work/ca.pem" >/dev/null 2>&1
openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout "$work/key.pem" -out "$work/server.csr" >/dev/null 2>&1
printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature,keyEncipherment" \
  "extendedKeyUsage=serverAuth" "subjectAltName=IP:127.0.0.1,DNS:localhost" >"$work/server.ext"
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial -days 2 \
  -extfile "$work/server.ext" -out "$work/cert.pem" >/dev/null 2>&1
openssl x509 -in "$work/ca.pem" -outform DER -out "$work/ca.der"
# A server whose certificate nobody trusts: its own, self-signed.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -addext subjectAltName=DNS:localhost \
  -keyout "$work/ukey.pem" -out "$work/ucert.pem" >/dev/null 2>&1
python3 "$here/update_server.py" "$work/www" "$work/port" &
servers+=($!)
python3 "$here/update_server.py" "$work/www" "$work/sport" "$work/cert.pem" "$work/key.pem" &
servers+=($!)
python3 "$here/update_server.py" "$work/www" "$work/uport" "$work/ucert.pem" "$work/ukey.pem" &
servers+=($!)
# Debian's pyftpdlib belongs to the system's Python.
/usr/bin/python3 "$here/ftp_server.py" "$work/www" "$work/fport" &
servers+=($!)
for _ in $(seq 100); do [ -f "$work/port" ] && [ -f "$work/sport" ] && [ -f "$work/uport" ] && [ -f "$work/fport" ] && break; sleep 0.05; done
export SLOVO_FTP_PORT=$(cat "$work/fport")
export SLOVO_HTTP_PORT=$(cat "$work/port")
export SLOVO_HTTPS_PORT=$(cat "$work/sport")
export SLOVO_HTTPS_UNTRUSTED_PORT=$(cat "$work/uport")
export SLOVO_HTTPS_CA="Z:${work//\//\\}\\ca.der"
export SLOVO_HTTP_ROOT="Z:${work//\//\\}\\www"
# SZDD samples made by Debian's compressor, served beside the control files.
printf 'СЛОВО\r\nПОДСКАЗКА\r\n' | iconv -f UTF-8 -t CP1251 >"$work/www/packed.txt"
mscompress "$work/www/packed.txt"
rm "$work/www/packed.txt"
export SLOVO_PACKED="Z:${work//\//\\}\\www\\packed.txt_"
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
[ -n "${SLOVO_UPD_UNIX:-}" ] && export SLOVO_UPD=$(winpath "$SLOVO_UPD_UNIX")
[ -n "${SLOVO_WAIT_HELPER_UNIX:-}" ] && export SLOVO_WAIT_HELPER=$(winpath "$SLOVO_WAIT_HELPER_UNIX")
[ -n "${SLOVO_MARKER_UNIX:-}" ] && export SLOVO_MARKER=$(winpath "$SLOVO_MARKER_UNIX")
rc=0
"$wine" "$@" </dev/null || rc=$?
# The test CA must have left the prefix's Root store with the test, whatever became of the test.
ca_key="HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\$(openssl x509 -in "$work/ca.pem" -noout -fingerprint -sha1 | cut -d= -f2 | tr -d :)"
if "$wine" reg query "$ca_key" </dev/null >/dev/null 2>&1; then
  echo "the test CA was left in the prefix's Root store: $ca_key" >&2
  "$wine" reg delete "$ca_key" /f </dev/null >/dev/null 2>&1 || true
  rc=1
fi
exit $rc
