#!/usr/bin/env bash
# Sets up, builds and packages Plovex, then installs the Debian package with apt-get
# (through sudo when not root), so that it appears in the desktop's menu.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DBUILD_TESTING=OFF

out="$root/build/package"
rm -rf "$out"
cpack --config "$root/build/CPackConfig.cmake" -G DEB -B "$out"
debs=("$out"/plovex_*.deb)

sudo=""
[[ $(id -u) -eq 0 ]] || sudo=sudo
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${debs[0]}"
echo "Installed ${debs[0]##*/}: start Plovex from the menu or run plovex."
