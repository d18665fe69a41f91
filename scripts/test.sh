#!/usr/bin/env bash
# The whole test run: setup, the native build (sanitizers), the two Windows
# builds, and every test of each (the Windows ones under Wine).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

"$root/scripts/setup.sh"

jobs=2
build() { # name, extra cmake args...
    local name="$1"
    shift
    echo "=== build $name"
    cmake -S . -B "build/$name" -DCMAKE_BUILD_TYPE=Debug "$@" >/dev/null
    cmake --build "build/$name" -j "$jobs"
}
run_tests() { # name
    echo "=== test $1"
    ctest --test-dir "build/$1" -j "$jobs" --output-on-failure
}

build native
build win64 --toolchain "$root/cmake/toolchain-mingw-x64.cmake"
build win32 --toolchain "$root/cmake/toolchain-mingw-x86.cmake"
run_tests native
run_tests win64
# The x86 build runs here when this machine runs 32-bit programs; otherwise in
# an emulated machine that does (its plain Wine tests would only be skipped).
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    run_tests win32
else
    echo "=== test win32 (in an emulated x86-64 machine: this one cannot run 32-bit programs)"
    "$root/scripts/test-x86-vm.sh"
fi
echo "=== all tests passed"
