#!/usr/bin/env bash
# A private CUPS server on 127.0.0.1 with one PDF printer, for the printing tests.
#   cups-server.sh start DIR   starts it; DIR/client/client.conf points a client at it,
#                              DIR/pdf receives the printed PDFs, DIR/port holds the port
#   cups-server.sh stop DIR    stops it
# Exit code 77 means CUPS cannot run here (the tests skip and say why).
set -euo pipefail

cmd=${1:?start or stop}
dir=$(mkdir -p "${2:?directory}" && cd "$2" && pwd)
printer=SlovoPDF

stop() {
  if [ -f "$dir/cupsd.pid" ]; then
    kill "$(cat "$dir/cupsd.pid")" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break; sleep 0.1; done
    rm -f "$dir/cupsd.pid"
  fi
}

if [ "$cmd" = stop ]; then
  stop
  exit 0
fi

for tool in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/lib/cups/filter/pstops /usr/bin/gs; do
  [ -x "$tool" ] || { echo "CUPS cannot run here: $tool is missing"; exit 77; }
done
# The backend below has mode 0700, which CUPS runs as root only; so the server must be root.
[ "$(id -u)" -eq 0 ] || { echo "CUPS cannot run here: the PDF backend needs the server to run as root"; exit 77; }
ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd 2>/dev/null || true)
[ -n "$ppd" ] || { echo "CUPS cannot run here: the CUPS-PDF PPD is missing"; exit 77; }

stop
rm -rf "$dir/root" "$dir/bin" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log" "$dir/pdf" "$dir/client"
mkdir -p "$dir/root/ppd" "$dir/bin/backend" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/pdf" "$dir/client"
chmod 0755 "$dir" "$dir/spool" "$dir/pdf"
chmod 1777 "$dir/spool/tmp"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

cat >"$dir/root/cupsd.conf" <<CONF
Listen 127.0.0.1:$port
LogLevel warn
Browsing Off
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow from 127.0.0.1
</Location>
<Location /admin>
  Order allow,deny
  Allow from 127.0.0.1
</Location>
CONF
cat >"$dir/root/cups-files.conf" <<CONF
SystemGroup root
User lp
Group lp
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
ServerRoot $dir/root
CONF
# cups-pdf reads its settings only from /etc/cups, which is the machine's own; so the server runs
# its own small backend instead: the PPD's PostScript through ghostscript into DIR/pdf.
for sub in cgi-bin daemon driver filter monitor notifier; do
  [ -d "/usr/lib/cups/$sub" ] && ln -s "/usr/lib/cups/$sub" "$dir/bin/$sub"
done
cat >"$dir/bin/backend/slovopdf" <<BACKEND
#!/bin/sh
# Writes each job as DIR/pdf/job-<id>.pdf; the file appears whole or not at all.
[ \$# -eq 0 ] && { echo 'direct slovopdf "Unknown" "Slovolovka test PDF"'; exit 0; }
in=\${6:--}
tmp="$dir/pdf/.job-\$1.tmp"
/usr/bin/gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile="\$tmp" "\$in" || exit 1
mv "\$tmp" "$dir/pdf/job-\$1.pdf"
BACKEND
chmod 0700 "$dir/bin/backend/slovopdf"
echo "ServerBin $dir/bin" >>"$dir/root/cups-files.conf"
printf 'ServerName 127.0.0.1:%s\n' "$port" >"$dir/client/client.conf"
echo "$port" >"$dir/port"

/usr/sbin/cupsd -f -c "$dir/root/cupsd.conf" -s "$dir/root/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
echo $! >"$dir/cupsd.pid"
export CUPS_SERVER=127.0.0.1:$port
for _ in $(seq 100); do
  lpstat -r >/dev/null 2>&1 && break
  sleep 0.1
done
if ! lpstat -r >/dev/null 2>&1; then
  echo "CUPS cannot run here: cupsd did not answer on 127.0.0.1:$port"
  cat "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null || true
  stop
  exit 77
fi
# A scheduler that has just begun to answer may still refuse to add a printer: try for 5 s.
added=0
for _ in $(seq 50); do
  if lpadmin -p "$printer" -E -v slovopdf:/ -P "$ppd" 2>"$dir/log/lpadmin.err" && lpadmin -d "$printer" 2>>"$dir/log/lpadmin.err"; then
    added=1
    break
  fi
  sleep 0.1
done
if [ "$added" = 0 ]; then
  echo "the printer could not be added on 127.0.0.1:$port"
  cat "$dir/log/lpadmin.err" "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null || true
  stop
  exit 1
fi
echo "CUPS on 127.0.0.1:$port, printer $printer, PDFs into $dir/pdf"
