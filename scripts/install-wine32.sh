#!/usr/bin/env bash
# Installs Wine's 32-bit half (wine32 of the i386 architecture), also when the mirror is mid-sync.
#
# A Debian mirror caught syncing serves an i386 security index whose size does not match its signed
# Release file; apt then drops the whole index, and since multi-arch libraries must match their
# amd64 versions (taken from the security index that did arrive), wine32 cannot be resolved. The
# fallback reads that index directly, serves the packages apt wants from it out of a private flat
# repository, and checks every downloaded package against the index's SHA256 before installing.
# Usage: install-wine32.sh [sudo...]   (the command prefix that gives root, empty when root)
set -uo pipefail

sudo_cmd=("$@")
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
apt_quiet() { DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get "$@"; }

installed wine32:i386 && exit 0
dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
apt_quiet update -qq >/dev/null 2>&1 || true
apt_quiet install -y -qq --no-install-recommends wine32:i386 >/dev/null 2>&1 && exit 0

. /etc/os-release
codename=${VERSION_CODENAME:-bookworm}
mirror=http://deb.debian.org/debian
security=http://deb.debian.org/debian-security
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
work=$(mktemp -d /tmp/slovo-wine32.XXXXXX)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
echo "wine32: the mirror's i386 security index did not arrive; reading it directly"

curl -sf -o "$work/Packages.xz" "$security/dists/$codename-security/main/binary-i386/Packages.xz" &&
  xz -dc "$work/Packages.xz" > "$work/Packages" || { echo "wine32: the i386 security index cannot be read"; exit 1; }

mkdir -p "$work/parts.d" "$work/lists/partial"
cat > "$work/sources.list" <<EOF
deb [signed-by=$keyring] $mirror $codename main
deb [signed-by=$keyring] $mirror $codename-updates main
deb [signed-by=$keyring arch=amd64] $security $codename-security main
deb [trusted=yes arch=i386] file:$work ./
EOF
apt_opts=(-o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=$work/parts.d"
          -o "Dir::State::Lists=$work/lists")
apt_quiet "${apt_opts[@]}" update -qq >/dev/null 2>&1 || { echo "wine32: apt update failed"; exit 1; }

# Only the packages apt takes from the private repository need fetching from the security pool.
wanted=$(apt_quiet "${apt_opts[@]}" install -s -y --no-install-recommends wine32:i386 2>/dev/null |
         awk '/^Inst / && /localhost/ && $2 ~ /:i386$/ { sub(/:i386$/, "", $2); v = $3; gsub(/[()]/, "", v); print $2, v }')
while read -r pkg ver; do
  [ -n "$pkg" ] || continue
  entry=$(awk -v p="$pkg" -v v="$ver" 'BEGIN { RS = "" }
    { name = ""; version = ""; file = ""; sum = ""
      n = split($0, line, "\n")
      for (i = 1; i <= n; i++) {
        if (line[i] ~ /^Package: /) name = substr(line[i], 10)
        else if (line[i] ~ /^Version: /) version = substr(line[i], 10)
        else if (line[i] ~ /^Filename: /) file = substr(line[i], 11)
        else if (line[i] ~ /^SHA256: /) sum = substr(line[i], 9)
      }
      if (name == p && version == v) { print file, sum; exit } }' "$work/Packages")
  read -r file sum <<< "$entry"
  case "$file" in pool/*) ;; *) echo "wine32: no pool entry for $pkg $ver"; exit 1 ;; esac
  case "$file" in *..*) echo "wine32: refused pool path $file"; exit 1 ;; esac
  mkdir -p "$work/$(dirname "$file")"
  curl -sf -o "$work/$file" "$security/$file" || { echo "wine32: cannot fetch $file"; exit 1; }
  echo "$sum  $work/$file" | sha256sum -c --quiet - || { echo "wine32: checksum mismatch for $file"; exit 1; }
done <<< "$wanted"

apt_quiet "${apt_opts[@]}" install -y -qq --no-install-recommends wine32:i386 >/dev/null 2>&1 ||
  { echo "wine32: installation failed"; exit 1; }
echo "wine32: installed"
