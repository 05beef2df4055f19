#!/usr/bin/env bash
# Sets up, builds and runs every test (unit, window and end-to-end; the window tests
# start private Xvfb servers of their own), then builds a second tree with
# AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer and runs the tests
# labelled "sanitize" there, where any sanitizer report fails its test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root"
ctest --test-dir build --output-on-failure --timeout 300

# Optimised with debug information: readable reports, and the runs still reach a score.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLOVEX_SANITIZE=ON
cmake --build build-asan -j2
ctest --test-dir build-asan --output-on-failure --timeout 300 -L sanitize
