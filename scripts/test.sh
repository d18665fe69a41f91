#!/usr/bin/env bash
# The whole test run: setup, the native build (sanitizers), the two Windows
# builds, and every test of each (the Windows ones under Wine); after the
# native tests a short fuzzing run of the portable parsers.
#
# The x86 tests run beside the x64 ones, each suite on its own core (within a
# suite the Windows tests share one Wine prefix and run one at a time). Where
# this machine cannot run 32-bit programs, they run in an emulated x86-64
# machine with 32-bit Wine (scripts/test-x86-vm.sh), whose image is built
# beside the host's builds.
#
#   test.sh            everything
#   test.sh --native   only the native build and its tests (a couple of minutes)
set -euo pipefail
native_only=0
[[ "${1:-}" == --native ]] && native_only=1
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

if [[ $native_only -eq 1 ]]; then
    build native
    run_tests native
    echo "=== native tests passed"
    exit 0
fi

emulated_x86=0
/usr/lib/wine/wine --version >/dev/null 2>&1 || emulated_x86=1
x86_log="$root/build/x86.log"
x86_pid=""
stop_x86() {
    if [[ -n "$x86_pid" ]]; then
        kill "$x86_pid" 2>/dev/null || true
        wait "$x86_pid" 2>/dev/null || true
    fi
}
trap stop_x86 EXIT
# Runs an x86 step in the background, its output to the log.
start_x86() { # command...
    mkdir -p "$root/build"
    "$@" >"$x86_log" 2>&1 &
    x86_pid=$!
}
# Waits for it; prints its output and fails with its status.
wait_x86() { # what
    local status=0
    wait "$x86_pid" || status=$?
    x86_pid=""
    cat "$x86_log"
    [[ $status -eq 0 ]] || { echo "=== $1 failed ($status)"; exit "$status"; }
}

if [[ $emulated_x86 -eq 1 ]]; then
    echo "=== x86: building the emulated machine's image in the background (log: $x86_log)"
    start_x86 "$root/scripts/test-x86-vm.sh" --image-only
fi
build native
build win64 --toolchain "$root/cmake/toolchain-mingw-x64.cmake"
build win32 --toolchain "$root/cmake/toolchain-mingw-x86.cmake"
if [[ $emulated_x86 -eq 1 ]]; then
    wait_x86 "the emulated machine's image"
    echo "=== test win32 in the emulated machine, in the background (log: $x86_log)"
    start_x86 "$root/scripts/test-x86-vm.sh"
fi
run_tests native
echo "=== fuzz (smoke)"
"$root/scripts/fuzz.sh" 5
if [[ $emulated_x86 -eq 0 ]]; then
    echo "=== test win32 in the background (log: $x86_log)"
    start_x86 run_tests win32
fi
run_tests win64
echo "=== test win32 (waiting for it)"
wait_x86 "test win32"
echo "=== all tests passed"
