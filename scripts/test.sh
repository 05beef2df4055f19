#!/usr/bin/env bash
# Sets up, builds and runs every test (unit, window and end-to-end; the window tests
# start private Xvfb servers of their own).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure --timeout 300
