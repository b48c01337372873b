#!/usr/bin/env bash
# Checks that clang-format leaves every source as it is; builds Tarnwick
# with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test,
# then runs the threaded tests under ThreadSanitizer, then the fuzz targets
# under libFuzzer; builds the release configuration with warnings as errors;
# builds, checks and tests the Windows programs under Wine; and makes every
# release file (scripts/package.sh), installs, starts, upgrades and removes
# the MSIs under Wine and the Debian package on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
scripts/check-format.sh
export TARNWICK_REQUIRE_TSHARK=1
cmake --preset test
cmake --build --preset test
ctest --preset test
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan --no-tests=ignore
scripts/fuzz.sh
# The run command's build, where some warnings come only with optimisation.
cmake --preset release-werror
cmake --build --preset release-werror
scripts/test-windows.sh
scripts/package.sh --working-tree
scripts/test-msi.sh
scripts/test-deb.sh
