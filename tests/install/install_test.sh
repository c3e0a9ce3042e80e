#!/usr/bin/env bash
# The installer under Wine in a prefix of its own: a silent install, the installed game played
# as the administrator and as a standard user whose Windows folders are read-only, then a silent
# uninstall that removes the program and keeps the player's data.
# Usage: install_test.sh <setup.exe> <e2e_install_test.exe> <work dir> <artifacts dir> [Snovid.dll]
set -uo pipefail
setup=$(realpath -m "$1") player=$(realpath -m "$2") work=$(realpath -m "$3") artifacts=$(realpath -m "$4")
snovid=${5:+$(realpath -m "$5")}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check_file() { [ -e "$1" ] && echo "ok: $2" || fail "$2 ($1 missing)"; }
check_gone() { [ ! -e "$1" ] && echo "ok: $2" || fail "$2 ($1 still there)"; }

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# With the hook library built, the game must load the installed copy.
if [ -n "$snovid" ]; then
  export SLOVO_EXPECT_SNOVID=1
  echo "== the game must load the installed Snovid.dll"
fi
rm -rf "$work"
mkdir -p "$work" "$artifacts"
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
echo "== a fresh prefix $WINEPREFIX"
wineboot -i >/dev/null 2>&1
source "$root/scripts/wine-session.sh"
wine_session_fonts
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
c=$WINEPREFIX/drive_c
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Slovolovka'
# Everything lies where the installer's bitness puts it: a 32-bit one in the 32-bit program
# folder, system folder (SysWOW64) and registry view. With Wine's 32-bit half installed, a plain
# "wine reg" is the 32-bit one and sees only its own view.
case "$(basename "$setup")" in
  *-x64-*) programs="Program Files" system=system32 reg_view=/reg:64 ;;
  *) programs="Program Files (x86)" system=syswow64 reg_view=/reg:32 ;;
esac
install_dir="$c/$programs/Slovolovka"
installed_game="C:\\$programs\\Slovolovka\\Slovolovka.exe"
uninstaller="C:\\$programs\\Slovolovka\\uninstall.exe"
export SLOVO_GAME=$installed_game

echo "== silent install"
wine "$(winepath -w "$setup" 2>/dev/null)" /S </dev/null >"$work/setup.log" 2>&1
rc=$?
wineserver -w
[ "$rc" = 0 ] && echo "ok: the installer ended with 0" || fail "the installer ended with $rc"
check_file "$install_dir/Slovolovka.exe" "the game in Program Files"
check_file "$install_dir/uninstall.exe" "the uninstaller"
check_file "$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Словоловка.lnk" "the Start-menu shortcut"
check_file "$c/users/Public/Desktop/Словоловка.lnk" "the desktop shortcut"
[ -d "$c/windows/data" ] && echo "ok: the data folder" || fail "no data folder"
# Wine difference: Wine keeps no access list on a file but turns the Users entry the installer
# sets into the group write bit of the folder (a folder Wine makes itself has mode 755).
mode=$(stat -c %a "$c/windows/data")
[ $((8#$mode & 8#020)) != 0 ] && echo "ok: the data folder is group writable ($mode)" \
  || fail "the data folder's rights were not set (mode $mode)"
if [ -n "$snovid" ]; then
  check_file "$c/windows/$system/Snovid.dll" "the hook library in the system folder"
  cmp -s "$snovid" "$c/windows/$system/Snovid.dll" || fail "the installed hook library differs from the built one"
fi
cmp -s "$(dirname "$setup")/game/win32/Slovolovka.exe" "$install_dir/Slovolovka.exe" \
  || fail "the installed game differs from the built one"
entry=$(wine reg query "$uninst_key" $reg_view </dev/null 2>/dev/null | tr -d '\r')
echo "$entry"
for value in DisplayName DisplayVersion Publisher DisplayIcon EstimatedSize UninstallString QuietUninstallString; do
  grep -q "^ *$value " <<<"$entry" && echo "ok: uninstall entry $value" || fail "uninstall entry lacks $value"
done
grep -q 'DisplayVersion *REG_SZ *'"$SLOVO_VERSION"'$' <<<"$entry" || fail "DisplayVersion is not $SLOVO_VERSION"
grep -qF "UninstallString    REG_SZ    \"$uninstaller\"" <<<"$entry" || fail "wrong UninstallString"
size=$(sed -n 's/^ *EstimatedSize *REG_DWORD *0x\([0-9a-f]*\)$/\1/p' <<<"$entry")
[ -n "$size" ] && [ $((16#$size)) -ge 1000 ] && echo "ok: EstimatedSize $((16#$size)) KiB" || fail "EstimatedSize '$size'"

echo "== the installed game, as the administrator"
SLOVO_ARTIFACTS=$artifacts wine "$(winepath -w "$player")" --gtest_brief=1 </dev/null 2>&1 | tr -d '\r' \
  | tee "$work/admin.log" || fail "the installed game did not play as the administrator"
wineserver -w

echo "== the installed game, as a standard user"
user_prefix=$work/user-prefix
cp -a "$WINEPREFIX" "$user_prefix"
# The copy must not name the administrator's server.
rm -f "$user_prefix/wineserver"
uc=$user_prefix/drive_c
run_as=()
if [ "$(id -u)" = 0 ]; then
  id slovoplayer >/dev/null 2>&1 || useradd -m slovoplayer
  chown -R slovoplayer: "$user_prefix"
  run_as=(runuser -u slovoplayer --)
fi
# What the installer's rights leave a standard user: the data folder only.
chmod -R a-w "$uc/windows" "$uc/$programs"
chmod -R u+w "$uc/windows/data"
user_artifacts=$work/user-artifacts
mkdir -p "$user_artifacts"
[ ${#run_as[@]} = 0 ] || chown slovoplayer: "$user_artifacts"
# Wine makes the new user's profile at its first start: that run is Wine's, not the game's.
"${run_as[@]}" env HOME="$(eval echo ~slovoplayer 2>/dev/null || echo "$HOME")" WINEPREFIX="$user_prefix" \
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$DISPLAY" wine cmd.exe /c exit </dev/null >/dev/null 2>&1
"${run_as[@]}" env WINEPREFIX="$user_prefix" wineserver -w
touch "$work/marker"
sleep 1
"${run_as[@]}" env HOME="$(eval echo ~slovoplayer 2>/dev/null || echo "$HOME")" WINEPREFIX="$user_prefix" \
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$DISPLAY" SLOVO_STANDARD_USER=1 SLOVO_GAME="$installed_game" \
  ${snovid:+SLOVO_EXPECT_SNOVID=1} SLOVO_ARTIFACTS="$user_artifacts" wine "$(winepath -w "$player")" --gtest_brief=1 </dev/null 2>&1 | tr -d '\r' \
  | tee "$work/user.log" || fail "the installed game did not play as a standard user"
"${run_as[@]}" env WINEPREFIX="$user_prefix" wineserver -w
cp "$user_artifacts"/* "$artifacts/" 2>/dev/null
[ -d "$uc/windows/data" ] || fail "the standard user's prefix has no data folder"
# The user's own profile keeps Wine's temporary files and WinINet's per-user cache (the editor's
# update client loads WinINet), as a standard user's profile does on Windows.
written=$(find "$uc" -newer "$work/marker" ! -path "$uc/windows/data" ! -path "$uc/windows/data/*" \
  ! -path "$uc/users/slovoplayer/AppData/Local/Temp*" \
  ! -path "$uc/users/slovoplayer/AppData/Local" ! -path "$uc/users/slovoplayer/AppData/Local/Microsoft" \
  ! -path "$uc/users/slovoplayer/AppData/Local/Microsoft/Windows" \
  ! -path "$uc/users/slovoplayer/AppData/Local/Microsoft/Windows/INetCache*" \
  ! -path "$uc/users/slovoplayer/AppData/Local/Microsoft/Windows/INetCookies*" \
  ! -path "$uc/users/slovoplayer/AppData/Local/Microsoft/Windows/History*" -print)
[ -z "$written" ] && echo "ok: nothing written outside the data folder" || fail "written outside the data folder: $written"
[ -n "$(find "$uc/windows/data" -newer "$work/marker" -name Slovolovka.bin)" ] \
  && echo "ok: the standard user's settings saved" || fail "the standard user's settings were not saved"
for file in stwords.txt sthints.txt; do
  [ -n "$(find "$uc/windows/data" -newer "$work/marker" -name "$file")" ] \
    && echo "ok: the standard user's editor saved $file" || fail "the standard user's editor did not save $file"
done
chmod -R u+w "$user_prefix"

echo "== silent uninstall"
wine "$uninstaller" /S </dev/null >"$work/uninstall.log" 2>&1
wineserver -w
check_gone "$install_dir/Slovolovka.exe" "the game removed"
check_gone "$install_dir/uninstall.exe" "the uninstaller removed"
check_gone "$install_dir" "the program folder removed"
check_gone "$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Словоловка.lnk" "the Start-menu shortcut removed"
check_gone "$c/users/Public/Desktop/Словоловка.lnk" "the desktop shortcut removed"
check_gone "$c/windows/$system/Snovid.dll" "the hook library removed"
wine reg query "$uninst_key" $reg_view </dev/null >/dev/null 2>&1 && fail "the uninstall entry is still there" || echo "ok: the uninstall entry removed"
check_file "$c/windows/data/stwords.txt" "the word base kept"
check_file "$c/windows/data/Slovolovka.bin" "the settings kept"
wineserver -k
echo "$failures failures"
[ "$failures" = 0 ]
