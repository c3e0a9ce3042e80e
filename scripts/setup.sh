#!/usr/bin/env bash
# Installs what building and running need from Debian's packages (only what is missing).
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev python3
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          wine wine64 fonts-wine xvfb xauth x11-utils imagemagick nsis
          mscompress openssl python3-pyftpdlib cups printer-driver-cups-pdf ghostscript poppler-utils
          curl xz-utils)
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

# Wine's 32-bit half runs the i686 build; it comes from the i386 architecture. A mirror that
# cannot deliver it leaves the 32-bit tests out (run-tests.sh says so) rather than all tests.
if ! installed wine32:i386; then
  echo "Installing: wine32 (i386)"
  bash "$(dirname "${BASH_SOURCE[0]}")/install-wine32.sh" "${sudo_cmd[@]}" ||
    echo "wine32 could not be installed: the 32-bit Windows tests cannot run"
fi
