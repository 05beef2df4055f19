#!/usr/bin/env bash
# Cross-builds plovex.exe for 64-bit Windows with MinGW-w64 (Release, static) into
# ./build-win32, and packs it as a ZIP and an NSIS installer (Start-menu entry,
# uninstaller) in build-win32/package/. Installs what it needs on Debian first.
#   scripts/build-windows.sh [--tests]   --tests: also the engine's tests, run under Wine
#                                        by ctest --test-dir build-win32
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix nsis)
testing=OFF
if [[ ${1:-} == --tests ]]; then
    testing=ON
    packages+=(wine64 googletest)
elif [[ $# -gt 0 ]]; then
    echo "usage: $0 [--tests]" >&2
    exit 2
fi
"$root/scripts/setup.sh" --only "${packages[@]}"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$root/build-win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DBUILD_TESTING=$testing \
    "${launcher[@]}"
cmake --build "$root/build-win32" -j2
(cd "$root/build-win32" && cpack -G "ZIP;NSIS" -B "$root/build-win32/package" >/dev/null)
ls -1 "$root/build-win32/win32/plovex.exe" "$root"/build-win32/package/plovex-*.{zip,exe}
