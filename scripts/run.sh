#!/usr/bin/env bash
# Builds Tarnwick and runs it in the current folder, on the stand-in
# adapter library (a simulated ARCNET network).
#   scripts/run.sh              the Linux program (Qt)
#   scripts/run.sh --windows    Tarnwick.exe, the 64-bit Windows program,
#                               under Wine, on this desktop
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--windows" ]; then
  shift
  "$top/scripts/deps.sh" windows
  cmake -S "$top" --preset windows-x64 >/dev/null
  cmake --build "$top/build-win64" --target tarnwick
  # Wine's own prefix in the user's home, made on the first start.
  WINEDEBUG=-all exec /usr/lib/wine/wine64 "$top/build-win64/bin/Tarnwick.exe" "$@"
fi
"$top/scripts/deps.sh" run
cmake -S "$top" --preset run >/dev/null
cmake --build "$top/build-run" --target tarnwick
exec "$top/build-run/bin/tarnwick" "$@"
