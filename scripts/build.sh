#!/usr/bin/env bash
# Configures and builds Plovex in Release (the drawing loops need -O3) into ./build.
#   scripts/build.sh [CMAKE OPTIONS...]   e.g. -DBUILD_TESTING=OFF for the program alone
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build build -j2
