# Shared pieces of the shell tests that run inside scripts/wine-run.sh:
#   source "$TARN_SCRIPTS_DIR/wine-test-lib.sh"
# Gives a scratch folder $work (removed on exit, with any cadsim started
# here), windows_path, fail/finish, run_vbs, start_cadsim/stop_cadsim and
# (un)registering Drafthand.dll.

work=$(mktemp -d)
cad_pid=""
failures=0

stop_cadsim() {
    if [[ -n "$cad_pid" ]]; then
        kill "$cad_pid" 2>/dev/null
        wait "$cad_pid" 2>/dev/null
        cad_pid=""
    fi
}
trap 'stop_cadsim; rm -rf "$work"' EXIT

# Wine maps the Unix root to drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# Exits with the outcome of the test: MESSAGE is printed when all passed.
finish() {
    [[ $failures -eq 0 ]] || exit 1
    echo "$1"
    exit 0
}

# Runs a VBScript (kept in UTF-8, run in Shift_JIS as users write them) with
# cscript. Wine's cscript exits 0 even when a script dies, so the script's
# own summary line "N passed, 0 failed" is demanded.
vbs_harness="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/common/testsupport/harness.vbs"
run_vbs() { # file, arguments...
    local source="$1"
    shift
    local script
    script="$work/$(basename "$source")"
    # The shared checks go first: VBScript has no include.
    cat "$vbs_harness" "$source" | iconv -f UTF-8 -t CP932 >"$script"
    # Into a file, not a pipe: a program the script starts may inherit the
    # output and outlive cscript. The limit allows for an emulated machine.
    timeout 900 "$TARN_WINE" cscript.exe //nologo "$(windows_path "$script")" "$@" \
        >"$work/cscript.out" 2>&1
    local output
    output=$(tr -d '\r' <"$work/cscript.out")
    echo "$output" | iconv -f CP932 -t UTF-8 -c
    grep -Eq '^[1-9][0-9]* passed, 0 failed$' <<<"$output" || fail "$(basename "$source")"
}

# cadsim.exe in the background, drawing into DXF, with more options; returns
# once it is up (it writes its empty drawing first).
start_cadsim() { # bin dir, dxf, options...
    local bin="$1" dxf="$2"
    shift 2
    "$TARN_WINE" "$bin/cadsim.exe" --dxf "$(windows_path "$dxf")" "$@" &
    cad_pid=$!
    # Up to two minutes: an emulated machine starts it slowly.
    for _ in $(seq 1 1200); do
        [[ -s "$dxf" ]] && return 0
        sleep 0.1
    done
    fail "cadsim $* did not start"
}

register_drafthand() { # bin dir
    "$TARN_WINE" regsvr32.exe /s "$(windows_path "$1/Drafthand.dll")" ||
        fail "regsvr32 Drafthand.dll"
}
unregister_drafthand() { # bin dir
    "$TARN_WINE" regsvr32.exe /s /u "$(windows_path "$1/Drafthand.dll")" ||
        fail "regsvr32 /u Drafthand.dll"
}
