#!/usr/bin/env bash
# Runs each fuzz target for a bounded time (seconds each, default 60): with
# libFuzzer where clang has it (installed here when missing), else with the
# seeded mutation loop of the test build. New inputs go to a scratch folder,
# never into the corpus in tests/fuzz/; a failing input is kept in
# build-fuzz/ (libFuzzer) or build-test/ (the loop).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=(profile_fuzz capture_writers_fuzz)

missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}" || echo "clang's libFuzzer is not at hand: using the mutation loop"
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if command -v clang++ >/dev/null && [ -n "$(find /usr/lib/llvm-*/lib/clang -name 'libclang_rt.fuzzer-x86_64.a' 2>/dev/null)" ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  for target in "${targets[@]}"; do
    mkdir -p "$scratch/$target"
    log="$scratch/$target.log"
    if ! build-fuzz/bin/"$target" -max_total_time="$seconds" -print_final_stats=1 \
           -artifact_prefix=build-fuzz/"$target"- "$scratch/$target" tests/fuzz/corpus/"$target" \
           >"$log" 2>&1; then
      cat "$log"
      exit 1
    fi
    echo "$target (libFuzzer): $(grep -E '^stat::(number_of_executed_units|new_units_added)' "$log" | tr '\n' ' ')"
  done
else
  cmake --preset test >/dev/null
  cmake --build --preset test --target "${targets[@]}"
  for target in "${targets[@]}"; do
    (cd build-test && bin/"$target" --seconds "$seconds" --seed "$RANDOM" ../tests/fuzz/corpus/"$target")
  done
fi
