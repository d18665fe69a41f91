#!/usr/bin/env bash
# The part of scripts/screenshots.sh that runs inside the Wine runner:
# BIN_DIR OUT_DIR [NAME...]. For each tab of tarn2, and for each kind of message box,
# starts cadsim and tarn2 afresh, has road_driver.exe fill in and press, and
# leaves in OUT_DIR: NAME.png (the screen), NAME-tarn2.png, NAME-cad.png,
# NAME-box.png (the windows cut out), NAME.dxf and NAME.log.
set -uo pipefail
bin="$1"
out="$2"
shift 2
only=("$@") # the pictures to take, all when none are named
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
source "$TARN_SCRIPTS_DIR/photo-prefix.sh"
photo_prefix || exit 1
"$TARN_WINE" regsvr32.exe /s "$(windows_path "$bin/Drafthand.dll")" ||
    { echo "pictures: registering Drafthand.dll failed" >&2; exit 1; }

# A copy of tarn2 beside a curve library that answers with an unknown code.
odd="$out/unknown-code"
mkdir -p "$odd"
cp "$bin/tarn2.exe" "$odd/"
x86_64-w64-mingw32-gcc -shared -O2 -o "$odd/auto_tarn5.dll" "$TARN_SCRIPTS_DIR/unknown-code-library.c" ||
    { echo "pictures: the stand-in library could not be built" >&2; exit 1; }

crop() { # screen, geometry, file
    [[ -n "$2" ]] && convert "$1" -crop "$2" +repage "$3"
}
window_geometry() { # caption
    xwininfo -name "$1" 2>/dev/null | awk '
        /Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 }
        END { if (w) printf "%dx%d+%d+%d", w, h, x, y }'
}

failed=0
# name, tarn2's folder, cadsim's options ("-" for no cadsim), driver arguments
shoot() {
    local name="$1" app="$2" cad="$3"
    shift 3
    [[ ${#only[@]} -eq 0 || " ${only[*]} " == *" $name "* ]] || return 0
    local cadsim="" tarn2 rc
    rm -f "$out/$name".png "$out/$name"-*.png "$out/$name".dxf "$out/$name".log
    mkdir -p "$out/$name.work"
    pushd "$out/$name.work" >/dev/null || return 1
    if [[ "$cad" != - ]]; then
        # shellcheck disable=SC2086
        "$TARN_WINE" "$bin/cadsim.exe" --dxf "$(windows_path "$out/$name.dxf")" $cad &
        cadsim=$!
    fi
    "$TARN_WINE" "$app/tarn2.exe" &
    tarn2=$!
    "$TARN_WINE" "$bin/road_driver.exe" "$@" >"$out/$name.log" 2>&1
    rc=$?
    sleep 1 # the last repaint
    import -window root "$out/$name.png"
    crop "$out/$name.png" "$(window_geometry tarn2)" "$out/$name-tarn2.png"
    [[ -n "$cadsim" ]] && crop "$out/$name.png" "$(window_geometry "AutoCAD LT - [Drawing1.dwg]")" \
        "$out/$name-cad.png"
    local box
    box=$(awk '/^box: / { printf "%dx%d+%d+%d", $4, $5, $2, $3 }' "$out/$name.log")
    [[ -n "$box" ]] && crop "$out/$name.png" "$box" "$out/$name-box.png"
    kill "$tarn2" ${cadsim:+"$cadsim"} 2>/dev/null
    wait "$tarn2" ${cadsim:+"$cadsim"} 2>/dev/null
    popd >/dev/null || return 1
    if [[ $rc -ne 0 ]]; then
        echo "pictures: $name FAILED:" >&2
        cat "$out/$name.log" >&2
        failed=1
    else
        echo "pictures: $name"
    fi
}

for tab in 0 1 2 3 4 5 6; do
    shoot "tab$tab" "$bin" "" tab "$tab"
done
shoot message-input "$bin" "" message input
shoot message-nocad "$bin" - message nocad
shoot message-nopoint "$bin" "" message nopoint
shoot message-cancel "$bin" "" message cancel
shoot message-waiting "$bin" "" message waiting
shoot message-stopped "$bin" "--die-after 20" message stopped
shoot message-result "$odd" "" message result

"$TARN_WINE" regsvr32.exe /s /u "$(windows_path "$bin/Drafthand.dll")" || true
exit $failed
