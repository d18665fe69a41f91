#!/usr/bin/env bash
# The whole test run: setup, the native build (sanitizers), the two Windows
# builds, and every test of each (the Windows ones under Wine); after the
# native tests a short fuzzing run of the portable parsers.
#
# Where this machine cannot run 32-bit programs, the x86 tests run in an
# emulated x86-64 machine with 32-bit Wine (scripts/test-x86-vm.sh): its image
# is built beside the host's builds and its suite runs beside the host's
# tests, each on its own core.
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
vm_log="$root/build/x86vm.log"
vm_pid=""
stop_vm() {
    if [[ -n "$vm_pid" ]]; then
        kill "$vm_pid" 2>/dev/null || true
        wait "$vm_pid" 2>/dev/null || true
    fi
}
trap stop_vm EXIT
# Runs the emulated machine's script in the background, its output to the log.
start_vm() { # args...
    mkdir -p "$root/build"
    "$root/scripts/test-x86-vm.sh" "$@" >"$vm_log" 2>&1 &
    vm_pid=$!
}
# Waits for it; prints its output and fails with its status.
wait_vm() { # what
    local status=0
    wait "$vm_pid" || status=$?
    vm_pid=""
    cat "$vm_log"
    [[ $status -eq 0 ]] || { echo "=== $1 failed ($status)"; exit "$status"; }
}

if [[ $emulated_x86 -eq 1 ]]; then
    echo "=== x86: building the emulated machine's image in the background (log: $vm_log)"
    start_vm --image-only
fi
build native
build win64 --toolchain "$root/cmake/toolchain-mingw-x64.cmake"
build win32 --toolchain "$root/cmake/toolchain-mingw-x86.cmake"
if [[ $emulated_x86 -eq 1 ]]; then
    wait_vm "the emulated machine's image"
    echo "=== test win32 in the emulated machine, in the background (log: $vm_log)"
    start_vm
fi
run_tests native
echo "=== fuzz (smoke)"
"$root/scripts/fuzz.sh" 5
run_tests win64
if [[ $emulated_x86 -eq 1 ]]; then
    echo "=== test win32 (emulated machine; waiting for it)"
    wait_vm "test win32 (emulated machine)"
else
    run_tests win32
fi
echo "=== all tests passed"
