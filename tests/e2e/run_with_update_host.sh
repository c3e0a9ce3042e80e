#!/usr/bin/env bash
# Runs an end-to-end update test under Wine beside a loopback HTTP server on the address the game
# was built with, serving a copy of the source tree's server folder; started and stopped here.
# Usage: run_with_update_host.sh HOST SERVER_DIR WINE TEST.EXE [args...]; HOST is the build's
# update server (scheme, address, port). The test finds the served folder in SLOVO_HTTP_ROOT and
# takes the server off the network while the file SLOVO_OFFLINE_FLAG exists (both Windows paths).
set -euo pipefail
host=$1 server_dir=$2 wine=$3; shift 3
while [ "${host%/}" != "$host" ]; do host=${host%/}; done
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
case "$host" in
  http://127.0.0.1:*|http://localhost:*) ;;
  *) echo "the update server $host is not a loopback HTTP address: nothing to test against"; exit 77 ;;
esac
address_port=${host#http://}
address_port=${address_port%%/*}
[ "${address_port%%:*}" = localhost ] && address_port=127.0.0.1:${address_port#*:}
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && { kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; }; rm -rf "$work"' EXIT
mkdir -p "$work/www"
cp -r "$server_dir/update" "$work/www/"
# The control file names the base file on the server it was written for; here that is the build's.
sed -i "s|http://127\.0\.0\.1:8080|$host|g" "$work/www/update/slovolovka.INF"
python3 "$here/../webupdate/update_server.py" --at "$address_port" --offline-flag "$work/offline" \
  "$work/www" "$work/port" &
server=$!
for _ in $(seq 1300); do [ -f "$work/offline.state" ] && break; sleep 0.05; done
[ -f "$work/offline.state" ] || { echo "the update server did not start on $address_port" >&2; exit 1; }
export SLOVO_HTTP_ROOT="Z:${work//\//\\}\\www"
export SLOVO_OFFLINE_FLAG="Z:${work//\//\\}\\offline"
"$wine" "$@" </dev/null
