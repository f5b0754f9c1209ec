#!/usr/bin/env bash
# Upload figures of Trellup against devsim:
#  1. a 1 MiB application over a line paced at 115200 baud, against the wire-time bound (every
#     byte of the command lines and of the replies at 11 bits per byte);
#  2. the same upload unpaced with packet size 4096, in MB/s;
#  3. the total run time of a 1 KiB upload.
# Usage: bash bench/upload/upload_bench.sh [build-dir]   (default build; PACED=0 skips figure 1)
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/upload/common.sh "$@"

# start_device NAME OPTIONS...: a fresh device folder and devsim on it; sets slave.
start_device() {
  local name=$1; shift
  rm -rf "$work/$name"; mkdir -p "$work/$name/C"
  coproc DEVSIM { exec "$bin/devsim" --root "$work/$name" --log "$work/$name.log" "$@"; }
  devsim_pid=$DEVSIM_PID
  read -r -t 30 slave <&"${DEVSIM[0]}"
}
stop_device() { kill "$devsim_pid"; wait "$devsim_pid" 2>/dev/null || true; devsim_pid=""; }

# upload FILE: runs Trellup, prints the seconds it took.
upload() {
  local start end
  start=$(now)
  "$bin/Trellup" -b "${slave#/dev/}" -p "$1" >/dev/null
  end=$(now)
  calc "$end - $start"
}

# Bytes on the wire for a run, from the command log: each command line plus its CR, and the
# device's "\r\nOK\r\n"; information lines are added from the replies devsim logs, if any.
wire_bytes() {
  awk '$2 ~ /^AT/ { sub(/^[^ ]+ /, ""); bytes += length($0) + 1 + 6 } END { print bytes }' "$1"
}

head -c 1048576 /dev/urandom > "$work/app1m.vxp"
head -c 1024 /dev/urandom > "$work/app1k.vxp"

if [ "${PACED:-1}" != 0 ]; then
  start_device paced --baud 115200 --packet-size 4096
  seconds=$(upload "$work/app1m.vxp")
  stop_device
  bytes=$(wire_bytes "$work/paced.log")
  bound=$(calc "$bytes * 11 / 115200")
  printf '1 MiB at 115200 baud: %.1f s; wire-time bound %.1f s (%d bytes); %.1f%% of the bound\n' \
    "$seconds" "$bound" "$bytes" "$(calc "100 * $bound / $seconds")"
fi

start_device fast --packet-size 4096
seconds=$(upload "$work/app1m.vxp")
stop_device
printf '1 MiB unpaced, packet size 4096: %.2f s, %.2f MB/s\n' "$seconds" \
  "$(calc "1.048576 / $seconds")"

start_device small
seconds=$(upload "$work/app1k.vxp")
stop_device
printf '1 KiB upload, whole run: %.3f s\n' "$seconds"
