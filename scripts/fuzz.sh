#!/usr/bin/env bash
# Runs every fuzz target under clang's libFuzzer for the time its test gives
# it (the "fuzz" presets), installing clang when it is missing. The test
# preset already runs the same targets under our seeded mutation loop; this
# adds coverage-guided runs where clang's libFuzzer is at hand. New inputs
# and a failing one stay in build-fuzz/, never in the corpora of tests/.
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}" || true
fi
if ! command -v clang++ >/dev/null ||
   [ -z "$(find /usr/lib/llvm-*/lib/clang -name 'libclang_rt.fuzzer-x86_64.a' 2>/dev/null)" ]; then
  echo "clang's libFuzzer is not at hand: the fuzz targets ran under the mutation loop only"
  exit 0
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz
