#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and run Plovex, and with --tests
# also what its tests and benchmarks need; with --only, just the packages named (for the
# other build scripts). Uses sudo when not run as root; installs nothing already there.
#   scripts/setup.sh [--tests | --only PACKAGE...]
set -euo pipefail

# Building, running (on a private Xvfb, with a screenshot, when there is no display) and
# packaging.
packages=(
    build-essential cmake ninja-build pkg-config file
    qt6-base-dev qt6-qpa-plugins libxcb1-dev libxcb-shm0-dev
    libx11-dev libxext-dev libxrandr-dev
    fontconfig fonts-ipafont-gothic fonts-ipafont-mincho fonts-motoya-l-maruberi
    xvfb xauth xdotool imagemagick
)
if [[ ${1:-} == --tests ]]; then
    packages+=(
        libxdamage-dev libbenchmark-dev libgtest-dev x11-utils openbox python3 locales
        fonts-dejavu-core fonts-vlgothic weston qt6-wayland xwayland
        lintian appstream desktop-file-utils
        g++-mingw-w64-x86-64-posix wine64 nsis googletest
        g++-aarch64-linux-gnu qemu-user
    )
elif [[ ${1:-} == --only ]]; then
    shift
    packages=("$@")
elif [[ $# -gt 0 ]]; then
    echo "usage: $0 [--tests | --only PACKAGE...]" >&2
    exit 2
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [[ ${#missing[@]} -gt 0 ]]; then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
