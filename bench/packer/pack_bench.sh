#!/usr/bin/env bash
# Packs a large application file (BENCH_MIB, default 256 MiB) and times md5sum on the same
# bytes in the same run: prints both wall times, their ratio and Varnel's peak memory.
# Usage: bench/packer/pack_bench.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
mib=${BENCH_MIB:-256}
cmake --build "$build" --target Varnel >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/bin/Varnel" "$work/Varnel"
printf '[Param]\nAppName=Bench\nAppType=vxp\n' > "$work/param.ini"
head -c $((mib * 1024 * 1024)) /dev/urandom > "$work/app.axf"
cat "$work/app.axf" > /dev/null # same page-cache state for both runs

now() { date +%s.%N; }
t0=$(now); md5sum "$work/app.axf" > /dev/null; t1=$(now)
/usr/bin/time -v "$work/Varnel" -i "$work/app.axf" > /dev/null 2> "$work/time.txt"
t2=$(now)
md5=$(awk "BEGIN {print $t1 - $t0}"); pack=$(awk "BEGIN {print $t2 - $t1}")
peak=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/time.txt")
printf 'file size        %d MiB\n' "$mib"
printf 'md5sum           %.3f s\n' "$md5"
printf 'Varnel pack      %.3f s\n' "$pack"
printf 'ratio            %.3f\n' "$(awk "BEGIN {print $pack / $md5}")"
printf 'Varnel peak RSS  %d KiB\n' "$peak"
