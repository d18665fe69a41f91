#!/usr/bin/env bash
# Runs inside the emulated machine of scripts/test-x86-vm.sh, started by its
# init with the tree's disk mounted at the tree's own path: creates the Wine
# prefix, runs the build/win32 CTest suite with 32-bit Wine and leaves the
# output, the logs and CTest's status in build/x86vm-results for the host.
#
#   x86vm-guest.sh TREE
set -uo pipefail
tree="$1"
results="$tree/build/x86vm-results"
build="$tree/build/win32"
mkdir -p "$results"
exec > >(tee -a "$results/guest.log") 2>&1

say() { echo "x86vm-guest: $*"; }
uptime_s() { cut -d' ' -f1 /proc/uptime; }
say "booted after $(uptime_s) s ($(nproc) CPU, $(free -m | awk '/^Mem:/ { print $2 }') MiB)"

if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    say "the 32-bit Wine loader does not run here"
    echo 1 >"$results/status"
    exit 1
fi

# The prefix the tests share, made here once rather than inside the first test
# (under emulation it takes minutes).
start=$(date +%s)
say "creating the Wine prefix"
(
    export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    /usr/lib/wine/wine64 wineboot.exe -i </dev/null >/dev/null 2>&1
    wineserver -w
)
say "Wine prefix created in $(($(date +%s) - start)) s"

start=$(date +%s)
say "running the build/win32 tests"
# tarn_tests: a pattern from the kernel command line (test-x86-vm.sh REGEX).
# Input from /dev/null, not the serial console: with a terminal there, Wine
# gives the tests a console, which the programs they start would then share.
ctest --test-dir "$build" --output-on-failure ${tarn_tests:+-R "$tarn_tests"} </dev/null 2>&1 |
    tee "$results/ctest.log"
status=${PIPESTATUS[0]}
say "CTest ended with status $status after $(($(date +%s) - start)) s"
cp "$build/Testing/Temporary/LastTest.log" "$results/" 2>/dev/null
[[ -d "$build/whole-road" ]] && cp -r "$build/whole-road" "$results/"
echo "$status" >"$results/status"
sync
exit "$status"
