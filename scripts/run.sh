#!/usr/bin/env bash
# Builds Tarnwick and runs it in the current folder, on the stand-in
# adapter library (a simulated ARCNET network).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
cmake -S "$top" --preset default >/dev/null
cmake --build "$top/build" --target tarnwick
exec "$top/build/bin/tarnwick" "$@"
