#!/usr/bin/env bash
# The main job, end to end: installs what building needs, builds the programs (no tests),
# packs the sample application with Varnel, starts the simulated device on a temporary
# folder, uploads the packed file with Trellup, shows the device folder and stops the
# simulated device. Everything it writes besides the build goes to its own temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --build
cmake -S . -B "${BUILD_DIR:-build}" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
# Only the four programs the demo runs (vxpdev's command-line library alone doubles the build).
cmake --build "${BUILD_DIR:-build}" -j"$(nproc 2>/dev/null || echo 2)" \
  --target Varnel vxpinfo Trellup devsim
bin=${BUILD_DIR:-build}/bin

work=$(mktemp -d)
devsim_pid=""
cleanup() { [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

echo "== pack the sample application"
cp samples/hello/Hello.vxp "$work/Hello.vxp"
"$bin/Varnel" -c samples/hello/param.ini -i "$work/Hello.vxp"
packed=$(ls "$work"/Hello.* | grep -v '\.dbg$' | head -n 1)
"$bin/vxpinfo" "$packed"

echo "== start the simulated device"
mkdir -p "$work/device/C"
coproc DEVSIM { exec "$bin/devsim" --root "$work/device"; }
devsim_pid=$DEVSIM_PID
read -r -t 10 slave <&"${DEVSIM[0]}"
echo "device on $slave"

echo "== upload with Trellup"
status=0
"$bin/Trellup" -p "$packed" -b "${slave#/dev/}" > "$work/trellup.out" || status=$?
echo "Trellup printed $(wc -l < "$work/trellup.out") lines (serial traffic and progress); the last ones:"
tail -n 8 "$work/trellup.out"
echo "Trellup exit status: $status"

echo "== device folder"
(cd "$work/device" && find . -type f | sort | xargs ls -l)
echo "-- autostart.txt:"
cat -A "$work/device/C/autostart.txt" 2>/dev/null || true
exit "$status"
