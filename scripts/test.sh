#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds in build/ and runs every test.
# With --sanitizers it also runs the suite under ASan+UBSan and the threaded tests under TSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

run_suite() { # build-dir ctest-args... ; cmake args come from CONFIGURE
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DPROJECT_WERROR=ON -DBUILD_TESTING=ON \
    "${CONFIGURE[@]}" >/dev/null
  local from=$(date +%s)
  cmake --build "$dir" -j"$jobs" "${TARGETS[@]}"
  echo "building $dir took $(( $(date +%s) - from )) s"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" "$@"
}

CONFIGURE=() TARGETS=()
run_suite build

if [ "${1:-}" = "--sanitizers" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  CONFIGURE=(-DSANITIZE=asan)
  run_suite build-asan
  CONFIGURE=(-DSANITIZE=tsan) TARGETS=(--target thread_tests)
  run_suite build-tsan -L threads -E DeathTest # a forked child of a threaded program
fi
