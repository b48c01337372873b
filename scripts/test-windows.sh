#!/usr/bin/env bash
# The Windows program: builds Tarnwick.exe, tarnwick-extcap.exe and
# Pondel.dll for 64-bit and 32-bit Windows with mingw-w64, runs the 64-bit
# build's tests under Wine (the core tests, and the conformance suite on the
# Win32 backend, with a capture from the Linux device simulator), starts
# Tarnwick.exe once and has tshark read the sample file it writes, has
# tshark read a capture of tarnwick-extcap.exe, and checks what the programs
# link and export. (scripts/package.sh makes the MSIs and zips of these
# builds; scripts/test-msi.sh installs them.)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows

# Both architectures; the 32-bit build is the one whose ServerInitBlock has
# the maker's 4-byte pointer (adapter/com20020.h asserts its layout).
for preset in windows-x64 windows-x86; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset
done

# The 32-bit Pondel.dll exports the maker's names as they are, with no
# decoration (__cdecl, C linkage), and nothing else but our one addition.
exports=$(i686-w64-mingw32-objdump -p build-win32/bin/Pondel.dll |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\[/ && NR > 1 {print $NF}' | sort | xargs)
expected="Com20020Exit Com20020FlushRX Com20020Init Com20020Receive Com20020Register Com20020ResetWakeOnReceive Com20020WakeOnReceive PondelDroppedFrames"
if [ "$exports" != "$expected" ]; then
  echo "32-bit Pondel.dll exports: $exports" >&2
  echo "expected:                  $expected" >&2
  exit 1
fi
echo "32-bit Pondel.dll exports exactly: $exports"

# Network server devices on this machine, the Linux simulator, for the
# scenarios that capture from them through Pondel.dll under Wine: the busiest
# 10 Mbps network, with a seed the scenario makes again to check every frame;
# and one that vanishes after 3,000 frames of a capture, as if switched off.
cmake --preset release-werror >/dev/null
cmake --build --preset release-werror --target vornex-sim
device_logs=$(mktemp -d)
devices=()
trap 'kill "${devices[@]}" 2>/dev/null; rm -rf "$device_logs"' EXIT
# Starts vornex-sim on 127.0.0.1 with the arguments after the log's name;
# device_port is then the TCP port it listens on.
start_device() {
  local log=$device_logs/$1
  shift
  build-release/bin/vornex-sim --listen 127.0.0.1 --port 0 --discovery-port 0 "$@" >"$log" &
  devices+=($!)
  for _ in $(seq 50); do
    grep -q "listening on" "$log" && break
    sleep 0.1
  done
  device_port=$(sed -n 's/^vornex-sim: listening on 127\.0\.0\.1 port \([0-9]*\);.*/\1/p' "$log")
  if [ -z "$device_port" ]; then
    echo "vornex-sim did not start: $(cat "$log")" >&2
    exit 1
  fi
}
start_device busiest --rate 51000 --seed 7
export TARNWICK_TEST_DEVICE=127.0.0.1:$device_port TARNWICK_TEST_DEVICE_SEED=7
start_device vanishing --rate 2000 --vanish-after 3000
export TARNWICK_TEST_VANISHING_DEVICE=127.0.0.1:$device_port TARNWICK_TEST_VANISHING_AFTER=3000

# shellcheck disable=SC2016  # expanded in the shell that scripts/wine.sh starts
scripts/wine.sh bash -c '
  set -euo pipefail
  system32="$WINEPREFIX/drive_c/windows/system32"
  # No MinGW runtime to ship: every DLL the programs import is the system'"'"'s,
  # or Pondel.dll.
  for build in build-win64 build-win32; do
    for program in $build/bin/Tarnwick.exe $build/bin/tarnwick-extcap.exe $build/bin/Pondel.dll; do
      objdump=x86_64-w64-mingw32-objdump
      [ $build = build-win32 ] && objdump=i686-w64-mingw32-objdump
      for dll in $($objdump -p "$program" | awk "/DLL Name:/ {print \$3}"); do
        lower=$(echo "$dll" | tr A-Z a-z)
        if [ "$lower" != pondel.dll ] && [ ! -e "$system32/$lower" ]; then
          echo "$program imports $dll, which is no system DLL" >&2
          exit 1
        fi
      done
    done
  done
  echo "Tarnwick.exe, tarnwick-extcap.exe and Pondel.dll import only system DLLs"

  # A small drive that fills (a tmpfs of 1 MiB as drive T:), for the
  # captures and the settings save onto a full disk; mounting needs root.
  small=$(mktemp -d)
  if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=1m tmpfs "$small"; then
    ln -s "$small" "$WINEPREFIX/dosdevices/t:"
    export TARNWICK_TEST_SMALL_DRIVE=T:
  fi
  ctest --preset windows-x64
  if [ -n "${TARNWICK_TEST_SMALL_DRIVE:-}" ]; then
    rm "$WINEPREFIX/dosdevices/t:"
    umount "$small"
    unset TARNWICK_TEST_SMALL_DRIVE
  fi
  rmdir "$small"

  # The five windows keep their template layout at 144 and 192 DPI too
  # (Wine reads LogPixels when its server starts).
  for dpi in 144 192; do
    "$WINE" reg add "HKCU\Control Panel\Desktop" /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null
    /usr/lib/wine/wineserver -k; /usr/lib/wine/wineserver -w
    "$WINE" build-win64/bin/ui_win32_backend_test.exe --gtest_filter="*AtThisDpi" --gtest_brief=1
  done
  "$WINE" reg add "HKCU\Control Panel\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
  /usr/lib/wine/wineserver -k; /usr/lib/wine/wineserver -w

  # tarnwick-extcap.exe answers Wireshark, and captures to standard output
  # the bytes of a pcap stream, no line end rewritten; it ends when its
  # reader does.
  extcap=build-win64/bin/tarnwick-extcap.exe
  interfaces=$("$WINE" $extcap --extcap-interfaces | tr -d "\r")
  if ! grep -qx "interface {value=tarnwick-arcnet-usb}{display=Tarnwick ARCNET: USB adapter}" \
      <<<"$interfaces"; then
    echo "tarnwick-extcap.exe --extcap-interfaces said: $interfaces" >&2
    exit 1
  fi
  stream=$(mktemp)
  PONDEL_SIM_RATE=2000 "$WINE" $extcap --capture --extcap-interface tarnwick-arcnet-usb --fifo - |
    head -c 100000 >"$stream"
  # The last record is cut where head stopped reading, which tshark reports
  # with a status of its own.
  frames=$(tshark -r "$stream" -T fields -e frame.protocols 2>/dev/null |
    grep -c "^arcnet:llc:bacnet" || true)
  malformed=$({ tshark -r "$stream" -Y _ws.malformed 2>/dev/null || true; } | wc -l)
  rm -f "$stream"
  if [ "$frames" -lt 500 ] || [ "$malformed" != 0 ]; then
    echo "tarnwick-extcap.exe wrote $frames frames of BACnet over ARCNET, $malformed malformed" >&2
    exit 1
  fi
  echo "tarnwick-extcap.exe listed its interfaces and captured $frames frames to standard output"

  # A start of the program in a fresh folder named in another script: the
  # sample file is written before the main window opens; the window is then
  # closed as the desktop closes it.
  . scripts/start-program.sh
  run=$(mktemp -d)/東京
  mkdir "$run"
  start_and_close_windows_program "$PWD/build-win64/bin/Tarnwick.exe" "$run" || true
  protocols=$(tshark -r "$run/arcnet.tmp" -T fields -e frame.protocols 2>/dev/null | sort -u)
  malformed=$(tshark -r "$run/arcnet.tmp" -Y _ws.malformed 2>/dev/null | wc -l)
  rm -rf "$(dirname "$run")"
  if [ "$protocols" != "arcnet:llc:bacnet:bacapp" ] || [ "$malformed" != 0 ]; then
    echo "Tarnwick.exe wrote an arcnet.tmp that tshark reads as \"$protocols\"" >&2
    exit 1
  fi
  echo "Tarnwick.exe started, wrote arcnet.tmp (tshark: $protocols) and closed"
'

# The device scenarios ran, rather than skipped: the devices served them to
# the end.
if ! grep -q "went off line" "$device_logs/busiest" ||
  ! grep -q "the device vanishes" "$device_logs/vanishing"; then
  echo "no capture from the device simulator ran under Wine: $(cat "$device_logs"/*)" >&2
  exit 1
fi
echo "Pondel.dll under Wine captured every frame vornex-sim sent, in order, and said when it vanished"
