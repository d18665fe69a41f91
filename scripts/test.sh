#!/usr/bin/env bash
# The whole test run: setup, the native build (sanitizers), the two Windows
# builds, and every test of each (the Windows ones under Wine); after the
# native tests a short fuzzing run of the portable parsers.
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
echo "=== fuzz (smoke)"
"$root/scripts/fuzz.sh" 5
run_tests win64
# Where this machine cannot run 32-bit programs the x86 Wine tests report as
# skipped; scripts/test-x86-vm.sh runs them in an emulated machine (README).
run_tests win32
echo "=== all tests passed"
