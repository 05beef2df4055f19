#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run and test Plovex.
# Uses sudo when not run as root; installs nothing that is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-qpa-plugins libxcb1-dev libxcb-shm0-dev
    libx11-dev libxext-dev libxdamage-dev libbenchmark-dev
    xvfb xauth x11-utils xdotool imagemagick openbox python3
    fontconfig fonts-ipafont-gothic fonts-ipafont-mincho fonts-motoya-l-maruberi
    fonts-dejavu-core fonts-vlgothic weston qt6-wayland xwayland
    file lintian appstream desktop-file-utils
)

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
