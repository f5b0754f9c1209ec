#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are missing (apt-get); with
# --build only its first group, what building the programs needs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
groups=0
[ "${1:-}" = "--build" ] && groups=1
missing=()
while read -r pkg; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done < <(awk -v groups="$groups" '/^#/ { if (groups && ++seen > groups) exit; next } NF' \
           "$here/packages.txt")
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
