#!/usr/bin/env bash
# Regenerates the pictures of the user guide (docs/images/) from the headless
# whole road (tarn2's window and the drawing in cadsim after the road), from
# each tab of tarn2 drawn in cadsim and each kind of tarn2's message boxes
# (scripts/guide-pictures-session.sh), and the figures drawn by
# scripts/guide-figures.py (SVG, converted with rsvg-convert).
#
#   scripts/screenshots.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/build/screenshots"
mkdir -p "$out"
# The narrowed face of the photographs (scripts/photo-font.py) needs fontTools,
# which pulls in heavy packages; only the pictures need it, not the tests.
if ! dpkg-query -W -f='${Status}' python3-fonttools 2>/dev/null | grep -q '^install ok installed$'; then
    [[ $(id -u) -eq 0 ]] || { echo "screenshots.sh: installing python3-fonttools needs root" >&2; exit 1; }
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends python3-fonttools >/dev/null
fi
# The figures of the clothoid's elements and of the sides, drawn as SVG.
python3 "$root/scripts/guide-figures.py" "$out"
for figure in clothoid side; do
    rsvg-convert "$out/$figure.svg" | convert - -strip "$root/docs/images/$figure.png"
done
TARN_ROAD_PHOTO=1 "$root/scripts/road.sh" --out "$out"
for picture in road-tarn2 road-cad; do
    [[ -s "$out/$picture.png" ]] || { echo "screenshots.sh: no $picture.png" >&2; exit 1; }
done
"$root/scripts/wine-run.sh" --prefix "$root/build/win64/wineprefix" --arch x64 \
    "$root/scripts/guide-pictures-session.sh" "$root/build/win64/bin" "$out"
# Numbered callouts on tarn2's window, labels on the drawing; stripped of time
# stamps and other chunks, so that the same picture gives the same file.
"$root/scripts/annotate-pictures.py" "$out" "$root/docs/images"
echo "screenshots.sh: docs/images/{tarn2,road,clothoid,side,tab0..tab6,message-*}.png written"
