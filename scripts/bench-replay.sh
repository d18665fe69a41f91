#!/usr/bin/env bash
# Benchmark of the replay path, Windows x64 under Wine, all in one run so that
# the figures compare: (1) a bare window answering WM_COPYDATA (the transport
# floor), and (1b) the same with the steps Drafthand's send takes around each
# message (the windows-alive check, the null message), (2) cadsim.exe fed by
# the same sender, (3) Drafthand's
# Control.PostCommand from C++ into cadsim, early bound and late bound through
# IDispatch::Invoke, (4) the same from VBScript, (5) tarn2's whole draw of a
# centre line of about 10,000 vertices, from the press of 描画 until cadsim is
# idle with the polyline in its DXF. Prints inputs per second, each one's
# ratio to the floor, and the peak working sets of cadsim and tarn2 in (5).
#
#   scripts/bench-replay.sh [--inputs N] [--pitch P]
#
# --inputs: vertices typed in (1)-(4) (default 2000); --pitch: the pitch in
# metres of the 50 m centre line of (5) (default 0.005: 10,001 vertices).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
inputs=2000
pitch=0.005
while [[ $# -gt 0 ]]; do
    case "$1" in
    --inputs) inputs="$2"; shift 2 ;;
    --pitch) pitch="$2"; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) echo "bench-replay.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
[[ "$inputs" =~ ^[1-9][0-9]*$ ]] || { echo "bench-replay.sh: --inputs needs a positive whole number" >&2; exit 2; }

"$root/scripts/setup.sh"
build="$root/build/bench-win64"
echo "=== building the Windows x64 programs (optimised) in $build" >&2
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    --toolchain "$root/cmake/toolchain-mingw-x64.cmake" >/dev/null
cmake --build "$build" -j 2 --target replay_bench >/dev/null

work="$build/replay-run"
rm -rf "$work"
mkdir -p "$work"
"$root/scripts/wine-run.sh" --prefix "$build/wineprefix" --arch x64 \
    "$root/scripts/bench-replay-session.sh" "$build/bin" "$work" "$inputs" "$pitch" \
    "$root/bench/replay/post.vbs" || { echo "bench-replay: FAILED (log: $work/bench.log)" >&2; exit 1; }

vertices=$(awk '$1 == "VERTICES" { print $2 }' "$work/extra.txt")
echo
echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores; $(/usr/lib/wine/wine64 --version)"
echo
awk -v vertices="$vertices" '
    BEGIN {
        label["floor"] = "(1) bare window, WM_COPYDATA (floor)"
        label["checked"] = "(1b) the same with the alive check and the null message"
        label["cadsim"] = "(2) cadsim, WM_COPYDATA"
        label["early"] = "(3) PostCommand, C++ early bound"
        label["late"] = "(3) PostCommand, C++ IDispatch::Invoke"
        label["vbscript"] = "(4) PostCommand, VBScript"
        label["tarn2"] = "(5) tarn2 draw, " vertices " vertices (per line)"
        print "| path | inputs | seconds | inputs/s | rate to floor | time to floor |"
        print "|---|---:|---:|---:|---:|---:|"
    }
    {
        rate = $2 / $3
        if ($1 == "floor") floor = rate
        printf "| %s | %d | %.3f | %.0f | %.2f× | %.2f× |\n", label[$1], $2, $3, rate, rate / floor, floor / rate
    }' "$work/results.txt"
awk '$1 == "MEMORY" {
    printf "\npeak working set during (5): cadsim %.1f MiB, tarn2 %.1f MiB\n", $2 / 1048576, $3 / 1048576 }' \
    "$work/extra.txt"
