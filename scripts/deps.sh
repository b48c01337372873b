#!/usr/bin/env bash
# Installs the Debian 12 packages that a command needs, only those that are
# missing:
#   scripts/deps.sh run        build and run the Linux program
#   scripts/deps.sh test       ... and build and run its tests
#   scripts/deps.sh windows    ... and build Tarnwick.exe and test it under Wine
#   scripts/deps.sh package    ... and make the release files
# Several may be named; each brings what the ones before it in this list do.
set -euo pipefail

run=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-private-dev fonts-dejavu-core)
# clang-format: Debian's, 14, the one scripts/check-format.sh holds the
# sources to.
test=(libgtest-dev libgmock-dev libbenchmark-dev libpcap-dev tshark iproute2 xvfb xauth clang-format)
# Tarnwick.exe: mingw-w64 for both architectures (the -posix compilers, whose
# runtime has std::thread), GoogleTest's sources to build for Windows, and
# Wine to run the 64-bit build's tests, with its fonts (the system font, and
# Marlett for the caption's buttons).
windows=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest wine wine64 fonts-wine)
# The MSIs (wixl; msibuild; faketime for their creation time), the zips,
# the Debian package (dpkg-shlibdeps) and its check.
package=(wixl msitools faketime zip dpkg-dev lintian)

packages=()
for command in "${@:-test}"; do
  case $command in
    run) packages+=("${run[@]}") ;;
    test) packages+=("${run[@]}" "${test[@]}") ;;
    windows) packages+=("${run[@]}" "${test[@]}" "${windows[@]}") ;;
    package) packages+=("${run[@]}" "${test[@]}" "${windows[@]}" "${package[@]}") ;;
    *)
      echo "usage: scripts/deps.sh run|test|windows|package..." >&2
      exit 2
      ;;
  esac
done

missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
# tshark asks whether ordinary users may capture; the default (no) is right.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
