#!/usr/bin/env bash
# Runs a command with a Wine of its own: a fresh WINEPREFIX in a temporary
# folder (removed afterwards), first started (wineboot, some 10 s) before the
# command runs, with Wine's own desktop as the screen (its windows need no
# window manager and close at once), under Xvfb.
#   scripts/wine.sh COMMAND...    e.g. scripts/wine.sh ctest --preset windows-x64
# In the command, $WINE is 64-bit Wine (/usr/lib/wine/wine64): this kernel
# runs no 32-bit program, and plain `wine` fails on it.
set -euo pipefail
export WINE=/usr/lib/wine/wine64
export WINEPREFIX
WINEPREFIX=$(mktemp -d)
trap 'rm -rf "$WINEPREFIX"' EXIT
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko to offer to install

# shellcheck disable=SC2016  # expanded by the inner shell
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$WINE" wineboot --init >/dev/null 2>&1
  "$WINE" reg add "HKCU\Software\Wine\Explorer" /v Desktop /d Default /f >/dev/null 2>&1
  "$WINE" reg add "HKCU\Software\Wine\Explorer\Desktops" /v Default /d 1024x768 /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -k 2>/dev/null; /usr/lib/wine/wineserver -w  # the desktop is made at the next start
  "$@"
  status=$?
  /usr/lib/wine/wineserver -k 2>/dev/null
  exit $status' wine "$@"
