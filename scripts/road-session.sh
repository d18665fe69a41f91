#!/usr/bin/env bash
# The part of scripts/road.sh that runs inside the Wine runner (display,
# prefix and locale set): BIN_DIR OUT_DIR SHOW [CADSIM_OPTION...]
# (extra options for cadsim.exe, such as a slow start for the tests).
#
# TARN_ROAD_APP_DIR: run tarn2.exe from this folder instead of BIN_DIR (an
# installed copy); TARN_ROAD_REGISTER=0: Drafthand is registered already
# (by a package), so the road neither registers nor unregisters it.
# TARN_ROAD_APP_LINK: start tarn2 through this shortcut (.lnk, Windows path)
# instead, as the Start menu does, in the working folder the shortcut gives.
set -uo pipefail
bin="$1"
out="$2"
show="$3"
app="${TARN_ROAD_APP_DIR:-$bin}"
register="${TARN_ROAD_REGISTER:-1}"
shift 3
cadsim_options=("$@")
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

if [[ "$register" == 1 ]]; then
    "$TARN_WINE" regsvr32.exe /s "$(windows_path "$bin/Drafthand.dll")" ||
        { echo "road: registering Drafthand.dll failed" >&2; exit 1; }
fi

# KA, KE (the 50 m point of the clothoid A = 100 from KA) and a side point
# below the chord: the CAD program answers tarn2's three picks with them.
picks="10,20;59.92193149366025,22.0810093401773635;35,15"

# TARN_ROAD_PHOTO=1 (the guide's pictures): fonts and frames as on Windows.
if [[ "${TARN_ROAD_PHOTO:-0}" == 1 ]]; then
    source "$TARN_SCRIPTS_DIR/photo-prefix.sh"
    photo_prefix || exit 1
fi
mkdir -p "$out"
cd "$out" # tarn2 and the curve library share auto_temp.txt here
"$TARN_WINE" "$bin/cadsim.exe" --dxf "$(windows_path "$out/road.dxf")" --pick "$picks" "${cadsim_options[@]}" &
cadsim=$!
link="${TARN_ROAD_APP_LINK:-}"
if [[ -n "$link" ]]; then
    # start.exe opens the shortcut through the shell and waits for tarn2.
    "$TARN_WINE" start.exe /wait "$link" &
else
    "$TARN_WINE" "$app/tarn2.exe" &
fi
tarn2=$!

"$TARN_WINE" "$bin/road_driver.exe" | tee "$out/road.log"
rc=${PIPESTATUS[0]}
sleep 1 # the last repaint
import -window root "$out/road.png" || echo "road: no screenshot" >&2
# Each program's window cut out of the screenshot, as a person sees it (a
# window photographed alone would show black where tarn2 lies above it).
shoot_window() { # caption, file
    local geometry
    geometry=$(xwininfo -name "$1" 2>/dev/null | awk '
        /Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 }
        END { if (w) printf "%dx%d+%d+%d", w, h, x, y }')
    [[ -n "$geometry" ]] && convert "$out/road.png" -crop "$geometry" +repage "$2" ||
        echo "road: no picture of \"$1\"" >&2
}
shoot_window tarn2 "$out/road-tarn2.png"
shoot_window "AutoCAD LT - [Drawing1.dwg]" "$out/road-cad.png"

if [[ "$show" == 1 ]]; then
    echo "road: cadsim and tarn2 are left open on $DISPLAY"
else
    # A tarn2 started through the shell is not our child: ended by name.
    [[ -n "$link" ]] && "$TARN_WINE" taskkill.exe /f /im tarn2.exe >/dev/null 2>&1
    kill "$tarn2" "$cadsim" 2>/dev/null
    if [[ "$register" == 1 ]]; then
        "$TARN_WINE" regsvr32.exe /s /u "$(windows_path "$bin/Drafthand.dll")" || true
    fi
fi

# What the drawing holds, read back with a real DXF reader; the road draws two
# polylines (centre and parallel line) and one line (the normal).
summary=$(/usr/bin/python3 - "$out/road.dxf" <<'PY'
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
parts = []
for e in doc.modelspace():
    if e.dxftype() == "POLYLINE":
        parts.append(f"POLYLINE of {len(list(e.vertices))} vertices")
    else:
        parts.append(e.dxftype())
print(", ".join(parts) if parts else "nothing")
kinds = [e.dxftype() for e in doc.modelspace()]
sys.exit(0 if kinds == ["POLYLINE", "POLYLINE", "LINE"] else 3)
PY
) || { summary="unexpected drawing: ${summary:-unreadable}"; rc=1; }
if [[ $rc -eq 0 ]]; then
    echo "road: drawn in cadsim: $summary; drawing $out/road.dxf, screenshot $out/road.png, log $out/road.log"
else
    echo "road: FAILED (see $out/road.log); drawing so far: $summary"
fi
exit $rc
