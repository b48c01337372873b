#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Tarnwick need,
# only those that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpcap-dev tshark iproute2
  clang-format  # Debian's, 14: the one scripts/check-format.sh holds the sources to
  qt6-base-dev qt6-base-private-dev fonts-dejavu-core xvfb xauth
  # Tarnwick.exe: mingw-w64 for both architectures (the -posix compilers,
  # whose runtime has std::thread), GoogleTest's sources to build for
  # Windows, and Wine to run the 64-bit build's tests, with its fonts (the
  # system font, and Marlett for the caption's buttons).
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest wine wine64 fonts-wine
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
# tshark asks whether ordinary users may capture; the default (no) is right.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
