#!/usr/bin/env bash
# Names every C++ file of ours that clang-format, with the repository's
# .clang-format, would change, and fails when there is one: run
# `clang-format -i` on the files it names.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "clang-format is missing: scripts/deps.sh installs it."
  exit 1
fi
sources() {
  find . \( -name 'build*' -o -name .git -o -name dist \) -prune -o \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0
}
# A dry run warns "FILE:LINE:COLUMN: warning: code should be clang-formatted".
unformatted=$(sources | xargs -0 clang-format --dry-run 2>&1 |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ -n "$unformatted" ]; then
  echo "Not formatted by clang-format:"
  sed 's/^/  /' <<<"$unformatted"
  exit 1
fi
