#!/usr/bin/env bash
# Prints the table through Wine onto the private CUPS server's PDF printer and checks the PDF:
# title and page number on every page, the header row on the first, every row once and in order.
#   cups-print-test.sh WINE EXE WORKDIR      (exit 77: CUPS cannot run here, the test skips)
set -uo pipefail

wine=${1:?wine} exe=${2:?test program} work=${3:?work directory}
here=$(cd "$(dirname "$0")" && pwd)
printer=SlovoPDF
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

bash "$here/cups-server.sh" start "$work/cups"
rc=$?
if [ $rc -eq 77 ]; then
  echo "SKIPPED: CUPS cannot run here"
  exit 77
fi
[ $rc -eq 0 ] || { echo "FAILED: the CUPS server did not start ($rc)"; exit 1; }
trap 'bash "$here/cups-server.sh" stop "$work/cups"' EXIT

fail() { echo "FAILED: $*"; cat "$work/cups/log/error_log" 2>/dev/null; exit 1; }

key='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'
default_printer() {
  "$wine" reg query "$key" /v Device 2>/dev/null </dev/null | tr -d '\r' | sed -n 's/^ *Device *REG_SZ *//p'
}
# Wine's winspool makes the CUPS default printer the prefix's default when the prefix has none,
# before the program can see the old value: so the old value is kept and put back here.
before=$(default_printer)
restore_default_printer() {
  if [ -n "$before" ]; then
    "$wine" reg add "$key" /v Device /d "$before" /f </dev/null >/dev/null 2>&1
  else
    "$wine" reg delete "$key" /v Device /f </dev/null >/dev/null 2>&1
  fi
}
# winspool asks CUPS from inside the Windows process, so the program's own environment carries it.
CUPS_SERVER=127.0.0.1:$(cat "$work/cups/port") SLOVO_PRINTER=$printer SLOVO_PRINT_EXPECT="Z:$work/expect.txt" \
  "$wine" "$exe" --gtest_brief=1
rc=$?
restore_default_printer
[ $rc -eq 0 ] || fail "the printing program failed"
after=$(default_printer)
[ "$after" = "$before" ] || fail "the default printer was \"$before\" and is now \"$after\""
read -r pages rows < <(tr -d '\r' <"$work/expect.txt") || fail "the printing program wrote no expectation"

pdf=
for _ in $(seq 600); do
  pdf=$(ls "$work/cups/pdf"/job-*.pdf 2>/dev/null | head -n1)
  [ -n "$pdf" ] && break
  sleep 0.1
done
[ -n "$pdf" ] || { CUPS_SERVER=127.0.0.1:$(cat "$work/cups/port") lpstat -W all -o; fail "no PDF came out in 60 s"; }

got=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[ "$got" = "$pages" ] || fail "the PDF has $got pages, the layout $pages"

errors=0
expected_row=1
for p in $(seq "$pages"); do
  text=$(pdftotext -layout -f "$p" -l "$p" "$pdf" -)
  for want in 'Игра "СЛОВОЛОВКА"' '2002' "$p/$pages" 'ПРЯНОСТЬ ИЗ КОРЫ'; do
    grep -qF -- "$want" <<<"$text" || { echo "page $p lacks \"$want\":"; echo "$text" | head -n 12; errors=$((errors + 1)); }
  done
  # The header row prints on the first page only.
  if grep -qF 'Подсказка' <<<"$text"; then header=1; else header=0; fi
  [ $header -eq $((p == 1)) ] || { echo "page $p: header row present: $header"; errors=$((errors + 1)); }
  for mark in $(grep -oE 'W[0-9]{3}' <<<"$text"); do
    want=$(printf 'W%03d' "$expected_row")
    [ "$mark" = "$want" ] || { echo "page $p: row $mark where $want belongs"; errors=$((errors + 1)); }
    expected_row=$((10#${mark#W} + 1))
  done
done
[ $((expected_row - 1)) -eq "$rows" ] || { echo "the last row printed is $((expected_row - 1)), of $rows"; errors=$((errors + 1)); }

if [ -n "${SLOVO_ARTIFACTS:-}" ]; then
  mkdir -p "$SLOVO_ARTIFACTS"
  pdftoppm -f 1 -l 1 -r 60 -png -singlefile "$pdf" "$SLOVO_ARTIFACTS/cups-print-page1"
  cp "$pdf" "$SLOVO_ARTIFACTS/cups-print.pdf"
fi
[ $errors -eq 0 ] || fail "$errors faults in the printed PDF"
echo "PASSED: $pages pages, $rows rows in order, title and page numbers on every page"
