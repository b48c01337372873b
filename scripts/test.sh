#!/usr/bin/env bash
# Builds Tarnwick with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test, then runs the threaded tests under ThreadSanitizer, then
# the fuzz targets under libFuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# deps.sh installs tshark: a test that needs it fails instead of skipping.
export TARNWICK_REQUIRE_TSHARK=1
cmake --preset test
cmake --build --preset test
ctest --preset test
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan --no-tests=ignore
scripts/fuzz.sh
