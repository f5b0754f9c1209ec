# Shared by the upload benchmarks (sourced, from the top of the tree): the build's programs in
# $bin, a work folder removed at exit with any devsim still running, and timing helpers.
# Usage: source bench/upload/common.sh [build-dir]   (default build)
bin=${1:-build}/bin
for program in Trellup devsim; do
  [ -x "$bin/$program" ] || { echo "missing $bin/$program: build first" >&2; exit 2; }
done

work=$(mktemp -d)
devsim_pid=""
cleanup() { [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }
