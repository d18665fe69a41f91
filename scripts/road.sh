#!/usr/bin/env bash
# The whole road on the stand-in CAD program, headless: builds the Windows x64
# programs, registers Drafthand, starts cadsim.exe and tarn2.exe on a virtual
# display, picks KA, KE and the side point with tarn2's pick buttons, draws a
# centre line, a parallel line with widening and a normal, and leaves the
# drawing (DXF), a screenshot (PNG) and a log in the output folder.
#
#   scripts/road.sh [--out DIR] [--show]
#
# --show: use the current $DISPLAY and leave cadsim and tarn2 open.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/build/road"
show=0
while [[ $# -gt 0 ]]; do
    case "$1" in
    --out) out="$2"; shift 2 ;;
    --show) show=1; shift ;;
    -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
    *) echo "road.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

"$root/scripts/setup.sh"
build="$root/build/win64"
echo "=== building the Windows x64 programs in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
    --toolchain "$root/cmake/toolchain-mingw-x64.cmake" >/dev/null
cmake --build "$build" -j 2 --target cadsim tarn2 Drafthand auto_tarn5 road_driver >/dev/null

mkdir -p "$out"
out="$(cd "$out" && pwd)"
rm -f "$out/road.dxf" "$out/road.png" "$out/road.log"
runner=(--prefix "$build/wineprefix" --arch x64)
if [[ $show -eq 1 ]]; then
    runner+=(--use-display --keep)
fi
echo "=== running the road"
"$root/scripts/wine-run.sh" "${runner[@]}" "$root/scripts/road-session.sh" "$build/bin" "$out" "$show"
