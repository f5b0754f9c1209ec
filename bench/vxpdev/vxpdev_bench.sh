#!/usr/bin/env bash
# Figures of vxpdev against devsim:
#  1. put and get of 64 KiB over a line paced at 115200 baud, against the wire-time bound of
#     their command and reply bytes at 11 bits per byte (goal: at least 95% of the bound);
#  2. ls of a folder of 500 entries, unpaced (goal: under 0.5 s for the whole run).
# Usage: bash bench/vxpdev/vxpdev_bench.sh [build-dir]   (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
bin=${1:-build}/bin
for program in vxpdev devsim; do
  [ -x "$bin/$program" ] || { echo "missing $bin/$program: build first" >&2; exit 2; }
done

work=$(mktemp -d)
devsim_pid=""
cleanup() { [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }

# start_device NAME OPTIONS...: devsim on the folder $work/NAME (made by the caller); sets slave.
start_device() {
  local name=$1; shift
  mkdir -p "$work/$name/C"
  coproc DEVSIM { exec "$bin/devsim" --root "$work/$name" --log "$work/$name.log" "$@"; }
  devsim_pid=$DEVSIM_PID
  read -r -t 30 slave <&"${DEVSIM[0]}"
}
stop_device() { kill "$devsim_pid"; wait "$devsim_pid" 2>/dev/null || true; devsim_pid=""; }

# timed ARGS...: runs vxpdev on the device, prints the seconds it took.
timed() {
  local start end
  start=$(now)
  "$bin/vxpdev" -b "$slave" "$@" >/dev/null
  end=$(now)
  calc "$end - $start"
}

# Bytes on the wire from the command log: each command line with its CR and the final
# "\r\nOK\r\n"; the listing replies (a few short lines) are left out, which only lowers the bound.
command_bytes() {
  awk '$2 ~ /^AT/ { sub(/^[^ ]+ /, ""); bytes += length($0) + 1 + 6 } END { print bytes }' "$1"
}

# Reply bytes of reading a file of $1 bytes: "+EFSR: i,last,count,"HEX"" lines of 63 bytes
# each, every line framed by CR LF.
read_reply_bytes() {
  awk -v n="$1" 'BEGIN { i = 0; at = 0; do { c = n - at < 63 ? n - at : 63;
    bytes += length("+EFSR: " i ",0," c ",\"\"") + 2 * c + 2; at += c; i++ } while (at < n);
    print bytes }'
}

report() { # NAME SECONDS BYTES
  local bound; bound=$(calc "$3 * 11 / 115200")
  printf '%s: %.2f s; wire-time bound %.2f s (%d bytes); %.1f%% of the bound\n' \
    "$1" "$2" "$bound" "$3" "$(calc "100 * $bound / $2")"
}

head -c 65536 /dev/urandom > "$work/file64k.bin"

start_device paced --baud 115200
seconds=$(timed put "$work/file64k.bin" C:/f.bin)
report "put 64 KiB at 115200 baud" "$seconds" "$(command_bytes "$work/paced.log")"
: > "$work/paced.log"
seconds=$(timed get C:/f.bin "$work/back.bin")
stop_device
cmp -s "$work/file64k.bin" "$work/back.bin" || { echo "get returned other bytes" >&2; exit 1; }
report "get 64 KiB at 115200 baud" "$seconds" \
  "$(( $(command_bytes "$work/paced.log") + $(read_reply_bytes 65536) ))"

mkdir -p "$work/many/C/DIR"
for i in $(seq 1 500); do : > "$work/many/C/DIR/entry-$i.txt"; done
start_device many
seconds=$(timed ls -l C:/DIR)
stop_device
printf 'ls of 500 entries, unpaced, whole run: %.3f s\n' "$seconds"
