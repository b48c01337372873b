#!/usr/bin/env bash
# Makes the README's pictures of the five windows in docs/: the Linux
# program on the Qt backend under Xvfb, with a window manager drawing the
# frames, and Tarnwick.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows
if ! command -v openbox >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends openbox
fi
cmake --preset default >/dev/null
cmake --build --preset default --target screenshots
# -noreset: the server outlives each application object's connection.
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  openbox >/dev/null 2>&1 &
  sleep 1
  QT_QPA_PLATFORM=xcb build/bin/screenshots docs'

# The same windows of Tarnwick.exe under Wine, on Wine's own desktop, which
# draws their frames as Windows does: docs/*-windows.png.
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target screenshots
scripts/wine.sh bash -c '
  "$WINE" build-win64/bin/screenshots.exe docs -windows
  # And at 144 and 192 DPI: docs/*-windows-144dpi.png, *-windows-192dpi.png.
  for dpi in 144 192; do
    "$WINE" reg add "HKCU\Control Panel\Desktop" /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null
    /usr/lib/wine/wineserver -k; /usr/lib/wine/wineserver -w
    "$WINE" build-win64/bin/screenshots.exe docs -windows-${dpi}dpi
  done'
