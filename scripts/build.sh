#!/usr/bin/env bash
# Configures and builds Plovex in Release (the drawing loops need -O3) into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
