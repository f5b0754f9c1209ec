#!/usr/bin/env bash
# How fast Trellup ends when a run is cut short, on a line paced at 115200 baud with 4096-byte
# chunks:
#  1. from the line's hang-up (devsim killed mid-upload) to Trellup's exit (goal: under 2 s);
#  2. from SIGINT mid-upload to Trellup's exit, against one chunk's wire time plus 0.5 s.
# Each signal lands at a different point of the next chunk's transfer (0.1 to 0.7 s after the
# first chunk arrived), ROUNDS times (default 3); the worst is printed.
# Usage: bash bench/upload/fault_bench.sh [build-dir]   (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/upload/common.sh "$@"
rounds=${ROUNDS:-3}
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (a > b) ? a : b }'; }

head -c 65536 /dev/urandom > "$work/app.vxp"

start_device() {
  rm -rf "$work/root" "$work/devsim.log"; mkdir -p "$work/root/C"
  coproc DEVSIM { exec "$bin/devsim" --root "$work/root" --log "$work/devsim.log" \
    --baud 115200 --packet-size 4096; }
  devsim_pid=$DEVSIM_PID
  read -r -t 30 slave <&"${DEVSIM[0]}"
}

# Starts an upload and returns once devsim has received its first data chunk; sets trellup_pid.
upload_underway() {
  "$bin/Trellup" -q -b "$slave" -p "$work/app.vxp" >/dev/null 2>&1 &
  trellup_pid=$!
  for _ in $(seq 1 3000); do
    grep -q 'AT+EFSW=2,0,' "$work/devsim.log" 2>/dev/null && return 0
    sleep 0.01
  done
  echo "the upload never started" >&2; exit 1
}

# Sets seconds to the time from now until the Trellup of upload_underway has ended (not in a
# subshell, which could not wait for it).
measure_exit() {
  local start end
  start=$(now)
  wait "$trellup_pid" || true
  end=$(now)
  seconds=$(calc "$end - $start")
}

worst_hangup=0
worst_sigint=0
for _ in $(seq 1 "$rounds"); do
  start_device
  upload_underway
  kill -9 "$devsim_pid" 2>/dev/null
  measure_exit
  worst_hangup=$(max "$worst_hangup" "$seconds")
  wait "$devsim_pid" 2>/dev/null || true
  devsim_pid=""

  for offset in 0.1 0.4 0.7; do
    start_device
    upload_underway
    sleep "$offset"
    kill -INT "$trellup_pid"
    measure_exit
    worst_sigint=$(max "$worst_sigint" "$seconds")
    kill "$devsim_pid"; wait "$devsim_pid" 2>/dev/null || true; devsim_pid=""
  done
done

# A chunk's command line: "AT+EFSW=2,0,4096," + 8192 hex digits in quotes + CR, 11 bits a byte.
chunk=$(calc "(17 + 8194 + 1) * 11 / 115200")
printf 'hang-up to exit: %.2f s worst of %d (goal under 2 s)\n' "$worst_hangup" "$rounds"
printf 'SIGINT to exit: %.2f s worst of %d (goal under %.2f s: chunk %.2f s + 0.5 s)\n' \
  "$worst_sigint" "$((rounds * 3))" "$(calc "$chunk + 0.5")" "$chunk"
