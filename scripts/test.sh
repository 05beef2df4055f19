#!/usr/bin/env bash
# Sets up, builds and runs every test (unit, window and end-to-end; the window tests
# start private Xvfb servers of their own, the Windows build's run under Wine), then builds
# a second tree with AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer and
# runs the tests labelled "sanitize" there, where any sanitizer report fails its test.
# Last, a third small tree of the engine and its tests alone, with Qt hidden from CMake
# (the engine needs only the standard library), cross-compiled for 64-bit ARM (the
# drawing's portable path) and tested under qemu-user: the same pixel tests, on the other
# path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" --tests
# plovex.exe and the engine's tests cross-built for Windows; the latter run under Wine, in
# the prefix that the first of them prepares.
"$root/scripts/build-windows.sh" --tests
"$root/scripts/build.sh" -DBUILD_TESTING=ON -DPLOVEX_WIN32_EXE="$root/build-win32/win32/plovex.exe"
cd "$root"
ctest --test-dir build-win32 --output-on-failure --timeout 300 -j2
# Two at a time; the cases whose checks are timed run alone.
ctest --test-dir build --output-on-failure --timeout 300 -j2

# Light optimisation and line tables: readable reports, a quicker build, and the runs
# still reach a score. Only what the sanitize tests need is built.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DPLOVEX_SANITIZE=ON
cmake --build build-asan -j2 --target sanitize-tests
ctest --test-dir build-asan --output-on-failure --timeout 300 -L sanitize -j2

# That tree never asks for Qt, so CMake would call the refusal an unused variable.
cmake -S . -B build-aarch64 -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLOVEX_ENGINE_ONLY=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=TRUE --no-warn-unused-cli \
    -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
cmake --build build-aarch64 -j2
ctest --test-dir build-aarch64 --output-on-failure --timeout 300 -j2
