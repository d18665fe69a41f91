#!/usr/bin/env bash
# Regenerates the user guide's pictures of `tarn alignment` (docs/images/):
# the plan (--svg, converted with rsvg-convert) and the first page of the
# 線形計算書 (--report, printed to PNG by headless Chromium), both of
# examples/every-curve.csv.
#
#   scripts/alignment-pictures.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/native"
out="$root/build/alignment-pictures"
images="$root/docs/images"
mkdir -p "$out"

[[ -f "$build/CMakeCache.txt" ]] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build" --target tarn -j2

"$build/bin/tarn" alignment "$root/examples/every-curve.csv" --speed 60 --width 3.5,3.5 \
    --zone 9 --svg "$out/every-curve.svg" --report "$out/every-curve.html" >/dev/null

# The plan on white, as a printed drawing shows it.
rsvg-convert --background-color=white --width=1000 "$out/every-curve.svg" |
    convert - -strip "$images/alignment-plan.png"

# The report as a browser shows it, its first sections at A4 width (794 px).
profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$profile" --hide-scrollbars \
    --screenshot="$out/report.png" --window-size=900,1270 "file://$out/every-curve.html" \
    2>/dev/null
[[ -s "$out/report.png" ]] || { echo "alignment-pictures.sh: no report.png" >&2; exit 1; }
convert "$out/report.png" -strip "$images/alignment-report.png"
echo "alignment-pictures.sh: docs/images/alignment-{plan,report}.png written"
