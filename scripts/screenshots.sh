#!/usr/bin/env bash
# Regenerates the pictures of the user guide (docs/images/) from the headless
# whole road: tarn2's window and the drawing in cadsim after the road.
#
#   scripts/screenshots.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/build/screenshots"
"$root/scripts/road.sh" --out "$out"
for picture in tarn2:road-tarn2 road:road-cad; do
    [[ -s "$out/${picture#*:}.png" ]] || { echo "screenshots.sh: no ${picture#*:}.png" >&2; exit 1; }
    # No time stamps or other chunks: the same picture gives the same file.
    convert "$out/${picture#*:}.png" -strip "$root/docs/images/${picture%%:*}.png"
done
echo "screenshots.sh: docs/images/tarn2.png and docs/images/road.png written"
