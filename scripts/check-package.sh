#!/usr/bin/env bash
# Checks the Debian package of a built tree (default build/): builds it with cpack, runs
# lintian, installs it (on the machine under CI=true as root, the machine being disposable;
# elsewhere unpacked into a scratch root), runs every installed program's --version and --help,
# checks each bash completion offers the options its --help names, builds samples/hello
# against the installed CMake package, verifies the packed result with vxpinfo and uploads it
# to devsim through the sample's upload target.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
installed=""
devsim_pid=""
cleanup() {
    [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null && wait "$devsim_pid" 2>/dev/null
    [ -n "$installed" ] && dpkg -r "$installed" >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-package: $*" >&2; exit 1; }
# Runs a command with its output kept in a log that is shown only when it fails.
quietly() { "$@" >"$work/step.log" 2>&1 || { tail -n 30 "$work/step.log"; fail "failed: $*"; }; }

# The options a help text names: the dash words of each indented line's option column (up to
# the first double blank), without their [=VALUE] parts.
help_options() {
    grep -E '^[[:space:]]+-' | sed -E 's/^[[:space:]]+//; s/  .*//; s/[ ,]+/\n/g' |
        grep -E '^-' | sed -E 's/\[.*//; s/=.*//' | sort -u
}

# The commands a help text lists in its section headed "Subcommands:" (any case).
help_commands() {
    awk 'tolower($0) ~ /^subcommands:/ { on = 1; next }
         on && /^[[:space:]]+[a-z]/ { print $1; next }
         on && !/^[[:space:]]/ { on = 0 }'
}

# What the completion file $1 offers for the last of the words $2... (the command line so far).
completions() {
    bash -c 'source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        function=$(complete -p "$1" | sed -E "s/.*-F ([^ ]+).*/\1/")
        "$function" "$1" "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
        printf "%s\n" "${COMPREPLY[@]}"' _ "$@" | sort -u
}

# Fails when the completion of "$@" lacks one of the words on standard input.
expect_offered() {
    local missing
    missing=$(comm -23 - <(completions "$completion" "$@"))
    [ -z "$missing" ] || fail "completion of '$*' lacks: ${missing//$'\n'/ }"
}

echo "== Debian package"
rm -f "$build"/package/*.deb
quietly cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build/package"
deb=$(echo "$build"/package/*.deb)
version=$(dpkg-deb -f "$deb" Version)
lintian --fail-on error "$deb" 2> >(grep -v 'root privileges' >&2)
if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then
    dpkg -i "$deb" >/dev/null
    installed=$(dpkg-deb -f "$deb" Package)
    prefix=/usr
else
    dpkg-deb -x "$deb" "$work/root"
    prefix=$work/root/usr
fi
echo "$(basename "$deb") passes lintian; installed under $prefix"

echo "== installed programs"
mapfile -t programs < <(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed -n 's|^\./usr/bin/||p' | grep .)
for program in "${programs[@]}"; do
    binary=$prefix/bin/$program
    completion=$prefix/share/bash-completion/completions/$program
    "$binary" --version | grep -qF "$version" || fail "$program --version does not name $version"
    help=$("$binary" --help) || fail "$program --help ends with status $?"
    [ -f "$prefix/share/man/man1/$program.1.gz" ] || fail "$program has no man page"
    help_options <<<"$help" | expect_offered "$program" -
    for command in $(help_commands <<<"$help"); do
        expect_offered "$program" '' <<<"$command"
        "$binary" "$command" --help | help_options | expect_offered "$program" "$command" -
    done
    echo "$program: --version, --help, man page, completion"
done

echo "== sample application build against the installed package"
mkdir -p "$work/device/C"
coproc DEVSIM { exec "$prefix/bin/devsim" --root "$work/device"; }
# shellcheck disable=SC2153 # coproc sets DEVSIM_PID
devsim_pid=$DEVSIM_PID
read -r -t 10 port <&"${DEVSIM[0]}" || fail "devsim printed no port"
quietly cmake -S samples/hello -B "$work/hello-build" -DCMAKE_PREFIX_PATH="$prefix" \
    -DTRELLUP_PORT="${port#/dev/}"
quietly cmake --build "$work/hello-build"
"$prefix/bin/vxpinfo" "$work/hello-build/Hello.vxp" >/dev/null ||
    fail "the sample's packed Hello.vxp does not verify"
"$prefix/bin/vxpinfo" "$work/hello-build/hello.axf" >/dev/null 2>&1 &&
    fail "the pack step packed the built hello.axf itself"
quietly cmake --build "$work/hello-build" --target upload
cmp "$work/hello-build/Hello.vxp" "$work/device/C/ZOV/Hello.vxp" ||
    fail "the upload target did not put Hello.vxp on the device"
echo "sample packed, verified with vxpinfo and uploaded to devsim"
