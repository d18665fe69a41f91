#!/usr/bin/env bash
# The part of scripts/bench-replay.sh that runs inside the Wine runner
# (display, prefix and locale set): BIN_DIR WORK_DIR INPUTS PITCH POST_VBS
set -uo pipefail
bin="$1"
work="$2"
inputs="$3"
pitch="$4"
post_vbs="$5"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

results="$work/results.txt"
: >"$results"
failed=0
background=""

stop_background() {
    if [[ -n "$background" ]]; then
        kill $background 2>/dev/null
        wait $background 2>/dev/null
        background=""
    fi
}
trap 'stop_background; "$TARN_WINE" regsvr32.exe /s /u "$(windows_path "$bin/Drafthand.dll")" 2>/dev/null' EXIT

# cadsim.exe drawing into DXF in the background; returns once it is up (it
# writes its empty drawing first).
start_cadsim() { # dxf
    rm -f "$1"
    "$TARN_WINE" "$bin/cadsim.exe" --dxf "$(windows_path "$1")" &
    background="$!"
    for _ in $(seq 1 200); do
        [[ -s "$1" ]] && return 0
        sleep 0.1
    done
    echo "bench-replay: cadsim did not start" >&2
    return 1
}

# Runs one measurement; its "RESULT inputs seconds" line goes to the results
# under NAME, anything else it prints to the log.
measure() { # name, command...
    local name="$1"
    shift
    local output
    # A crashed Wine program waits for its debugger: never for long here.
    output=$(timeout 300 "$@" 2>&1 | tr -d '\r')
    echo "$output" >>"$work/bench.log"
    local line
    line=$(grep -m1 '^RESULT ' <<<"$output")
    if [[ -z "$line" ]]; then
        echo "bench-replay: $name FAILED:" >&2
        echo "$output" >&2
        failed=1
        return 1
    fi
    echo "$name ${line#RESULT }" >>"$results"
    grep -E "^(MEMORY|VERTICES) " <<<"$output" >>"$work/extra.txt"
}

# A figure counts only when cadsim took every input: the polyline it ended
# holds them all.
check_drawn() { # dxf, vertices
    local count=0
    for _ in $(seq 1 300); do
        count=$(tr -d '\r' <"$1" 2>/dev/null | grep -c '^VERTEX$')
        [[ "$count" == "$2" ]] && return 0
        sleep 0.1
    done
    echo "bench-replay: $(basename "$1" .dxf): the DXF holds $count of $2 vertices" >&2
    failed=1
    return 1
}

"$TARN_WINE" regsvr32.exe /s "$(windows_path "$bin/Drafthand.dll")" ||
    { echo "bench-replay: registering Drafthand.dll failed" >&2; exit 1; }
: >"$work/extra.txt"

echo "(1) transport floor" >&2
"$TARN_WINE" "$bin/replay_sink.exe" &
background="$!"
measure floor "$TARN_WINE" "$bin/replay_bench.exe" send --class ReplaySink --inputs "$inputs"
measure checked "$TARN_WINE" "$bin/replay_bench.exe" send-checked --class ReplaySink \
    --inputs "$inputs"
stop_background

echo "(2) cadsim, WM_COPYDATA" >&2
start_cadsim "$work/send.dxf" &&
    measure cadsim "$TARN_WINE" "$bin/replay_bench.exe" send --class CadsimMain --inputs "$inputs" &&
    check_drawn "$work/send.dxf" "$inputs"
stop_background

echo "(3) Drafthand PostCommand from C++, early and late bound" >&2
start_cadsim "$work/early.dxf" &&
    measure early "$TARN_WINE" "$bin/replay_bench.exe" early --inputs "$inputs" &&
    check_drawn "$work/early.dxf" "$inputs"
stop_background
start_cadsim "$work/late.dxf" &&
    measure late "$TARN_WINE" "$bin/replay_bench.exe" late --inputs "$inputs" &&
    check_drawn "$work/late.dxf" "$inputs"
stop_background

echo "(4) Drafthand PostCommand from VBScript" >&2
# Into a file, not a pipe: cscript's children may inherit the output.
start_cadsim "$work/vbs.dxf" &&
    measure vbscript bash -c 'timeout 240 "$1" cscript.exe //nologo "$2" "$3" >"$4" 2>&1; cat "$4"' _ \
        "$TARN_WINE" "$(windows_path "$post_vbs")" "$inputs" "$work/cscript.out" &&
    check_drawn "$work/vbs.dxf" "$inputs"
stop_background

echo "(5) tarn2 draws a centre line" >&2
mkdir -p "$work/draw"
(
    cd "$work/draw" # tarn2 and the curve library share auto_temp.txt here
    start_cadsim "$work/draw/draw.dxf" || { stop_background; exit 1; }
    "$TARN_WINE" "$bin/tarn2.exe" &
    background="$background $!"
    measure tarn2 "$TARN_WINE" "$bin/replay_bench.exe" draw --pitch "$pitch" \
        --dxf "$(windows_path "$work/draw/draw.dxf")"
    status=$failed
    stop_background
    exit $status
) || failed=1
exit $failed
