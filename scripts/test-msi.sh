#!/usr/bin/env bash
# The MSIs of dist/ as an administrator deploys them, under Wine (a fresh
# prefix): a silent install of the 64-bit one over an older version of
# itself (a major upgrade) where a Wireshark is installed, and of the 32-bit
# one beside it; the files, the Start menu shortcut, the Apps & features
# entries, the stand-in in Wireshark's extcap folder, the installed
# Tarnwick.exe's main window; then a silent removal of both, which leaves
# only the user's settings and capture files.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Tarnwick VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
export MSI_X64=$PWD/dist/Tarnwick-$version-x64.msi MSI_X86=$PWD/dist/Tarnwick-$version-x86.msi
export VERSION=$version
# The older release: the same files as version 0.9.0.
MSI_OLD=$(mktemp -d)/Tarnwick-0.9.0-x64.msi
export MSI_OLD
trap 'rm -rf "$(dirname "$MSI_OLD")"' EXIT
cmake -DBUILD_DIR=build-win64 -DVERSION=0.9.0 -DARCH=x64 -DOUTPUT="$MSI_OLD" \
  -P packaging/windows/make_msi.cmake

# shellcheck disable=SC2016  # expanded in the shell that scripts/wine.sh starts
scripts/wine.sh bash -c '
  set -euo pipefail
  fail() { echo "MSI: $*" >&2; exit 1; }
  c="$WINEPREFIX/drive_c"
  uninstall="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
  msiexec() { "$WINE" msiexec "$1" "$(winepath -w "$2")" /qn || fail "msiexec $1 $2: status $?"; }
  entries() {  # the Apps & features entries named Tarnwick: "DisplayVersion;Publisher;"
    for view in 64 32; do
      { "$WINE" reg query "$uninstall" /s /reg:$view 2>/dev/null || true; } | tr -d "\r" |
        awk "/^HKEY/ {key=\$0} /DisplayName.*Tarnwick\$/ {print key}" |
        while read -r key; do
          "$WINE" reg query "$key" /reg:$view | tr -d "\r" |
            awk "/DisplayVersion|Publisher/ {\$1=\$2=\"\"; printf \"%s;\", substr(\$0, 3)}"
          echo
        done
    done
  }

  # A Wireshark, as an installer sees one: its folder, named in App Paths.
  mkdir -p "$c/Program Files/Wireshark"
  "$WINE" reg add "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Wireshark.exe" \
    /v Path /d "C:\\Program Files\\Wireshark" /f /reg:64 >/dev/null
  # The user'"'"'s settings, which no install or removal may touch.
  appdata=$(realpath "$(winepath -u "$("$WINE" cmd /c echo %APPDATA% | tr -d "\r")")")
  mkdir -p "$appdata/Tarnwick"
  printf "[Settings]\r\nNodeID=77\r\n" >"$appdata/Tarnwick/Tarnwick.ini"

  msiexec /i "$MSI_OLD"
  [[ "$(entries)" = "0.9.0;The Tarnwick developers;"* ]] || fail "after 0.9.0: $(entries)"
  msiexec /i "$MSI_X64"
  listed=$(entries)
  [ "$(wc -l <<<"$listed")" = 1 ] && [ "${listed%%;*}" = "$VERSION" ] ||
    fail "after the upgrade Apps & features lists: $listed"
  [ "$listed" = "$VERSION;The Tarnwick developers;" ] || fail "the entry says: $listed"
  # Its icon (ARPPRODUCTICON), kept by Windows Installer for Apps & features.
  "$WINE" reg query "HKLM\\Software\\Classes\\Installer\\Products" /s | tr -d "\r" |
    grep -q "ProductIcon.*tarnwick[.]ico\$" || fail "Apps & features has no icon for Tarnwick"
  echo "MSI: 0.9.0 installed silently, then upgraded in place to $VERSION: one Apps & features entry ($listed)"

  dir="$c/Program Files/Tarnwick"
  for file in Tarnwick.exe Pondel.dll tarnwick-extcap.exe README.txt; do
    [ -f "$dir/$file" ] || fail "$file is not in Program Files\\Tarnwick"
  done
  # (Wine puts a per-machine shortcut into the installing user'"'"'s menu.)
  shortcut=$(find "$c" -path "*/Start Menu/Programs/Tarnwick.lnk" | head -1)
  [ -n "$shortcut" ] || fail "no Start menu shortcut"
  grep -aq "Tarnwick.exe" "$shortcut" || fail "the shortcut does not start Tarnwick.exe"
  echo "MSI: Program Files\\Tarnwick holds the program, Pondel.dll, the extcap and the read-me; the Start menu has Tarnwick.lnk"

  # Wireshark'"'"'s extcap folder has the stand-in, which runs the installed
  # extcap on the installed Pondel.dll, binary stream and all.
  extcap="$c/Program Files/Wireshark/extcap/tarnwick-extcap.exe"
  [ -f "$extcap" ] || fail "no tarnwick-extcap.exe in Wireshark'"'"'s extcap folder"
  interfaces=$("$WINE" "$extcap" --extcap-interfaces | tr -d "\r")
  grep -q "interface {value=tarnwick-arcnet-usb}" <<<"$interfaces" || fail "the stand-in said: $interfaces"
  stream=$(mktemp)
  PONDEL_SIM_RATE=2000 "$WINE" "$extcap" --capture --extcap-interface tarnwick-arcnet-usb --fifo - |
    head -c 20000 >"$stream" || true
  # (The last record is cut where head stopped, which tshark reports.)
  frames=$({ tshark -r "$stream" 2>/dev/null || true; } | wc -l)
  rm -f "$stream"
  [ "$frames" -gt 50 ] || fail "a capture through the stand-in gave $frames frames"
  echo "MSI: Wireshark'"'"'s extcap folder has the stand-in; through it the installed extcap listed its interfaces and captured $frames frames"

  # The installed program: its main window opens (taskkill without /f
  # closes it as the desktop would), and it writes its files where started.
  . scripts/start-program.sh
  run=$(mktemp -d)
  start_and_close_windows_program "$dir/Tarnwick.exe" "$run" ||
    fail "the installed Tarnwick.exe did not start, or had no window to close"
  echo "MSI: the installed Tarnwick.exe started, wrote arcnet.tmp and its main window closed"

  # The 32-bit package beside it: as far as a 64-bit prefix goes, its files
  # and entry (its programs do not run here).
  msiexec /i "$MSI_X86"
  for file in Tarnwick.exe Pondel.dll tarnwick-extcap.exe README.txt; do
    [ -f "$c/Program Files (x86)/Tarnwick/$file" ] || fail "$file is not in Program Files (x86)\\Tarnwick"
  done
  [ "$(entries | wc -l)" = 2 ] || fail "with both installed, Apps & features lists: $(entries)"
  echo "MSI: the 32-bit package installed silently into Program Files (x86)\\Tarnwick, with its own entry"

  msiexec /x "$MSI_X64"
  msiexec /x "$MSI_X86"
  left=$(find "$c" -iname "*tarnwick*" | grep -v "^$appdata/Tarnwick" || true)
  [ -z "$left" ] || fail "left behind: $left"
  [ -z "$(entries)" ] || fail "Apps & features still lists: $(entries)"
  "$WINE" reg query "HKLM\\Software\\Tarnwick" >/dev/null 2>&1 && fail "HKLM\\Software\\Tarnwick is left"
  grep -q "NodeID=77" "$appdata/Tarnwick/Tarnwick.ini" || fail "the removal touched Tarnwick.ini"
  [ -f "$run/tarnwick.tmp" ] || [ -f "$run/arcnet.tmp" ] || fail "the removal took the capture files"
  rm -rf "$run"
  echo "MSI: both removed silently; nothing of ours is left but the user'"'"'s Tarnwick.ini and capture files"
'
