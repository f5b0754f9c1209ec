#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each from its seed corpus for a bounded
# time (FUZZ_SECONDS each, default 10). A crash fails the run; its input is left in
# build-fuzz/crashes/ to be kept as a regression case in the target's corpus folder.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-10}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_FUZZERS=ON >/dev/null
cmake --build build-fuzz -j"$(nproc 2>/dev/null || echo 2)" --target fuzzers
mkdir -p build-fuzz/crashes
shopt -s nullglob
for manifest in build-fuzz/fuzz/*.corpus; do
  name=$(basename "$manifest" .corpus)
  corpus=$(cat "$manifest")
  work=build-fuzz/corpus-work/$name
  mkdir -p "$work"
  echo "fuzzing $name for ${seconds}s"
  seeds=()
  [ -d "$corpus" ] && seeds=("$corpus")
  build-fuzz/bin/fuzz_"$name" -max_total_time="$seconds" -artifact_prefix=build-fuzz/crashes/"$name"- \
    -print_final_stats=0 "$work" "${seeds[@]}" 2>&1 | tail -n 3
done
