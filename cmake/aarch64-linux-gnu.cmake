# Cross build for 64-bit ARM Linux with Debian's cross compilers (g++-aarch64-linux-gnu):
#   cmake -S . -B build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
#         -DPLOVEX_ENGINE_ONLY=ON
# Where qemu-user is installed, CTest runs the tests through it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(PLOVEX_SYSROOT /usr/aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH ${PLOVEX_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(PLOVEX_QEMU_AARCH64 qemu-aarch64)
if(PLOVEX_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PLOVEX_QEMU_AARCH64} -L ${PLOVEX_SYSROOT})
endif()
