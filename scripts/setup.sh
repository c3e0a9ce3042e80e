#!/usr/bin/env bash
# Installs what building and running need from Debian's packages (only what is missing).
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev python3
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          wine wine64 fonts-wine xvfb xauth x11-utils imagemagick nsis
          mscompress openssl python3-pyftpdlib cups printer-driver-cups-pdf ghostscript poppler-utils
          tesseract-ocr tesseract-ocr-rus curl xz-utils)
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  # An index that fails to refresh (an i386 mirror mid-sync, say) must not stop the install.
  "${sudo_cmd[@]}" apt-get update -qq || true
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Whether this kernel runs 32-bit x86 programs at all: a 84-byte i386 program that only exits.
kernel_runs_i386() {
  local probe
  probe=$(mktemp /tmp/slovo-i386.XXXXXX) || return 1
  python3 - "$probe" <<'PY'
import struct, sys
code = bytes.fromhex("b801000000" "31db" "cd80")  # exit(0) through int 0x80
size = 52 + 32 + len(code)
elf = b"\x7fELF\x01\x01\x01" + bytes(9)
elf += struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, 0x08048054, 52, 0, 0, 52, 32, 1, 0, 0, 0)
elf += struct.pack("<IIIIIIII", 1, 0, 0x08048000, 0x08048000, size, size, 5, 0x1000)
open(sys.argv[1], "wb").write(elf + code)
PY
  chmod +x "$probe"
  "$probe" 2>/dev/null
  local rc=$?
  rm -f "$probe"
  return $rc
}

# Wine's 32-bit half runs the i686 build; it comes from the i386 architecture. A mirror that
# cannot deliver it leaves the 32-bit tests out (run-tests.sh says so) rather than all tests.
# A kernel without 32-bit support cannot run it, and an installed wine32 that cannot start makes
# the plain `wine` command fail for 64-bit programs too: it is removed there.
if ! kernel_runs_i386; then
  echo "This kernel runs no 32-bit programs: wine32 is not used, the 32-bit Windows tests cannot run"
  if installed wine32:i386; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove -y -qq wine32:i386 >/dev/null
  fi
elif ! installed wine32:i386; then
  echo "Installing: wine32 (i386)"
  bash "$(dirname "${BASH_SOURCE[0]}")/install-wine32.sh" "${sudo_cmd[@]}" ||
    echo "wine32 could not be installed: the 32-bit Windows tests cannot run"
fi
